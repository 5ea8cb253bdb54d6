# The first process of the 32-bit test machine (scripts/lib/vm32.sh), on the host's file
# system: gives the guest its own /proc, /sys, /dev, /tmp and /run, runs the job that the host
# wrote into $vmwork/job, stores its exit code in $vmwork/rc and powers the machine off.
set -u
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mkdir -p /dev/pts /dev/shm
mount -t devpts -o newinstance,ptmxmode=0666 devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs -o mode=1777 tmpfs /tmp
mount -t tmpfs tmpfs /run
ip link set lo up 2>/dev/null || ifconfig lo 127.0.0.1 up 2>/dev/null
hostname vorlane-32
export HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 TERM=dumb
echo "vm32: $(uname -srm), $(nproc) processors; running the job"
# The job's output goes to the console file that the host reads.
bash "$vmwork/job" </dev/null >/dev/ttyS0 2>&1
echo $? >"$vmwork/rc.part"
mv "$vmwork/rc.part" "$vmwork/rc"
sync
echo 1 >/proc/sys/kernel/sysrq
echo o >/proc/sysrq-trigger
sleep 60
