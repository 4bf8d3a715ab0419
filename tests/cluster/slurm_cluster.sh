# A one-node Slurm cluster in a temporary folder, for the cluster tests. Source it after
# tests/study/common.sh (which sets $tmp and removes it on exit). start_cluster brings up
# munged, slurmctld and slurmd with everything (key, sockets, state, logs, pid files, the
# jobs' temporary folders) below $tmp/cluster, on free ports and under a cluster name of its
# own, and points the Slurm clients at it through SLURM_CONF: another test's cluster on the
# same machine shares nothing with it. stop_cluster, which runs on every exit, cancels what
# is left and stops the three daemons.

cluster=$tmp/cluster

# free_port FIRST: a TCP port from FIRST on that nothing listens on.
free_port() {
    local port
    for port in $(seq "$1" $(($1 + 200))); do
        ss -Htln "sport = :$port" | grep -q . || { echo "$port"; return 0; }
    done
    return 1
}

# poll TRIES COMMAND...: runs COMMAND every 0.2 s until it succeeds; false after TRIES tries.
poll() {
    local tries=$1 i
    shift
    for ((i = 0; i < tries; i++)); do
        "$@" && return 0
        sleep 0.2
    done
    return 1
}

node_idle() { [[ $(sinfo -h -N -o %T 2>/dev/null) == idle ]]; }

start_cluster() {
    mkdir -p "$cluster"/{munge,state,spool,log,run,tmp}
    chmod 700 "$cluster/munge"
    dd if=/dev/urandom of="$cluster/munge/munge.key" bs=1024 count=1 status=none
    chmod 400 "$cluster/munge/munge.key"
    # --force: the temporary folder's parents are world-writable (/tmp), which munged
    # otherwise refuses.
    munged --force --socket="$cluster/munge/socket" --key-file="$cluster/munge/munge.key" \
        --log-file="$cluster/log/munged.log" --pid-file="$cluster/run/munged.pid" \
        --seed-file="$cluster/munge/seed" || { echo "FAIL: munged did not start"; return 1; }
    local host ctld_port d_port
    host=$(hostname -s)
    # From a random place below the kernel's ephemeral ports (where srun's own ports come
    # from), so that a cluster started a moment earlier, whose daemons may not listen yet,
    # has most likely not chosen the same.
    ctld_port=$(free_port $((20000 + RANDOM % 12000))) && d_port=$(free_port $((ctld_port + 1))) ||
        { echo "FAIL: no free port"; return 1; }
    # TmpFS: the PMIx plug-in makes each step's folder there, named after the job and step
    # numbers only, which every cluster counts from 1 (the default /tmp made two clusters'
    # steps clash and abort).
    cat >"$cluster/slurm.conf" <<CONF
ClusterName=kinetarium-test-$$
SlurmctldHost=$host
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$cluster/munge/socket
SlurmctldPort=$ctld_port
SlurmdPort=$d_port
StateSaveLocation=$cluster/state
SlurmdSpoolDir=$cluster/spool
SlurmctldPidFile=$cluster/run/slurmctld.pid
SlurmdPidFile=$cluster/run/slurmd.pid
SlurmctldLogFile=$cluster/log/slurmctld.log
SlurmdLogFile=$cluster/log/slurmd.log
TmpFS=$cluster/tmp
ProctrackType=proctrack/pgid
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SwitchType=switch/none
MpiDefault=none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
KillWait=10
# The node offers more CPUs than the machine has, so three ranks fit on two cores.
SlurmdParameters=config_overrides
NodeName=$host CPUs=4 State=UNKNOWN
PartitionName=test Nodes=$host Default=YES MaxTime=INFINITE State=UP OverSubscribe=YES
CONF
    export SLURM_CONF=$cluster/slurm.conf
    # The jobs' temporary files and Open MPI's shared memory (/dev/shm otherwise) are named
    # after the job number too; Slurm passes the environment on to the jobs.
    export TMPDIR=$cluster/tmp OMPI_MCA_btl_vader_backing_directory=$cluster/tmp
    # -c: a clean start, no state from an earlier cluster.
    slurmctld -c || { echo "FAIL: slurmctld did not start: $(tail -n 5 "$cluster/log/slurmctld.log")"; return 1; }
    slurmd || { echo "FAIL: slurmd did not start: $(tail -n 5 "$cluster/log/slurmd.log")"; return 1; }
    poll 300 node_idle || {
        echo "FAIL: the node never became idle: $(sinfo -N 2>&1 | tail -n 1); $(tail -n 5 "$cluster/log/slurmd.log")"
        return 1
    }
}

stop_daemon() {
    local pid_file=$cluster/run/$1.pid pid
    [[ -s $pid_file ]] || return 0
    pid=$(cat "$pid_file")
    kill "$pid" 2>/dev/null || return 0
    poll 100 eval '! kill -0 '"$pid"' 2>/dev/null' || kill -9 "$pid" 2>/dev/null
}

stop_cluster() {
    [[ -d $cluster ]] || return 0
    if [[ -n ${SLURM_CONF:-} && -s $cluster/run/slurmctld.pid ]]; then
        scancel --full --quiet --partition=test 2>/dev/null
        poll 150 eval '[[ -z $(squeue -h 2>/dev/null) ]]'
    fi
    stop_daemon slurmd
    stop_daemon slurmctld
    stop_daemon munged
}
