/* Preloaded into kinetarium by record_cost.sh: writes the time of every buffer swap (one
 * drawn frame) to the file named by KINETARIUM_SWAP_LOG, without touching the program. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

typedef void (*SwapBuffers)(void*, unsigned long);

void glXSwapBuffers(void* display, unsigned long drawable)
{
    static SwapBuffers real;
    static FILE* log;
    if (!real)
        real = (SwapBuffers)dlsym(RTLD_NEXT, "glXSwapBuffers");
    if (!log && getenv("KINETARIUM_SWAP_LOG"))
        log = fopen(getenv("KINETARIUM_SWAP_LOG"), "w");
    real(display, drawable);
    if (log) {
        struct timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        fprintf(log, "%ld.%09ld\n", (long)now.tv_sec, now.tv_nsec);
    }
}
