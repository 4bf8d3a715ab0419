# shellcheck shell=bash
# Recognising sanitizer reports in a program's output. Sourced by the hardening tests.

SANITIZER_REPORT_PATTERN='ERROR: (AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer)|runtime error: |WARNING: AddressSanitizer'

# has_sanitizer_report <file>: true when the file holds a report.
has_sanitizer_report() {
    [[ -f $1 ]] && grep -Eq "$SANITIZER_REPORT_PATTERN" "$1"
}

# show_sanitizer_reports <file>: the first reports with some context.
show_sanitizer_reports() {
    grep -En -A 25 "$SANITIZER_REPORT_PATTERN" "$1" | head -n 120
}
