#!/usr/bin/python3
"""kt7310-tango's speed and memory against a 7310-36 emulator, run by hand on a quiet machine:

    /usr/bin/python3 tests/tango/bench_tango.py build/src/tango/kt7310-tango \\
        build/emulator/kt7310-emulator [writes] [clients] [reads per client]

1. A write of Ch<n>Delay to its line on the serial line (the emulator's transcript),
   one write at a time on an idle port: median, 90th percentile, first and last fifth.
2. An attribute read (served from the state): median.
3. Clients reading at once, each with its own connection: errors and reads per second,
   and each client's first and last hundred reads compared.
4. The server's resident memory after the initialization and at the end.
"""

import datetime
import multiprocessing
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tango  # noqa: E402
import tst_tango as rig  # noqa: E402


def resident_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def transcript_time(stamp):
    """The emulator's "hh:mm:ss.zzz" as seconds since the epoch (same clock, today)."""
    t = datetime.datetime.strptime(stamp, "%H:%M:%S.%f").time()
    return datetime.datetime.combine(datetime.date.today(), t).timestamp()


def summary(values_ms):
    values = sorted(values_ms)
    fifth = max(1, len(values_ms) // 5)
    return ("median %.2f ms, p90 %.2f ms, max %.2f ms; first fifth median %.2f ms, last fifth %.2f ms"
            % (statistics.median(values), values[int(len(values) * 0.9) - 1], values[-1],
               statistics.median(values_ms[:fifth]), statistics.median(values_ms[-fifth:])))


def reader(url, count, names, results, barrier):
    d = tango.DeviceProxy(url)
    d.ping()
    barrier.wait()  # every client connected: all read at once
    errors = 0
    times = []
    started = time.time()
    for i in range(count):
        t0 = time.perf_counter()
        try:
            d.read_attribute(names[i % len(names)])
        except tango.DevFailed:
            errors += 1
        times.append(time.perf_counter() - t0)
    results.put((errors, times, started, time.time()))


def main():
    sys.stdout.reconfigure(line_buffering=True)
    server_path, emulator_path = sys.argv[1], sys.argv[2]
    writes = int(sys.argv[3]) if len(sys.argv) > 3 else 200
    clients = int(sys.argv[4]) if len(sys.argv) > 4 else 20
    reads = int(sys.argv[5]) if len(sys.argv) > 5 else 500
    rig.EMULATOR = emulator_path
    folder = tempfile.mkdtemp(prefix="kt7310-tango-bench-")
    os.makedirs(os.path.join(folder, "ports"))
    emulator = rig.Emulator(folder, 1, "--model", "7310-36")
    database = os.path.join(folder, "kt7310.db")
    with open(database, "w") as f:
        f.write('kt7310-tango/bench/DEVICE/KT7310: "bench/kt7310/1"\nbench/kt7310/1->Port: 1\n')
    port = rig.free_port()
    env = dict(os.environ, KT7310_PORT_DIR=os.path.join(folder, "ports"), HOME=folder)
    env.pop("TANGO_HOST", None)
    server = subprocess.Popen([server_path, "bench", "-file=" + database,
                               "-ORBendPoint", "giop:tcp:127.0.0.1:%d" % port],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    url = "tango://127.0.0.1:%d/bench/kt7310/1#dbase=no" % port
    try:
        d = rig.wait_for(lambda: _connect(url), 20, 0.2)
        if not d or not rig.wait_for(lambda: d.state() == tango.DevState.ON, 30):
            raise SystemExit("the server did not come up")
        time.sleep(2)
        print("resident memory after the initialization (36 channels): %d KiB"
              % resident_kib(server.pid))

        # 1. Write to line written.
        latencies = []
        for i in range(writes):
            n = 1 + i % 36
            value = (i + 1) * 1e-6 + 2.5e-10
            line = ":PULS%d:DEL %.11f" % (n, value)
            t0 = time.time()
            d.write_attribute("Ch%dDelay" % n, value)
            stamp = rig.wait_for(lambda: _line_time(emulator, line), 5, 0.002)
            if not stamp:
                raise SystemExit("the line %s never arrived" % line)
            latencies.append((transcript_time(stamp) - t0) * 1000)
            time.sleep(0.05)
        print("write of Ch<n>Delay to its line written (%d writes): %s" % (writes, summary(latencies)))

        # 2. One client reading.
        times = []
        for i in range(2000):
            t0 = time.perf_counter()
            d.read_attribute("Ch%dDelay" % (1 + i % 36))
            times.append((time.perf_counter() - t0) * 1000)
        print("attribute read (2000 reads): %s" % summary(times))

        # 3. Many clients at once.
        names = ["Ch%dDelay" % n for n in range(1, 37)] + ["Period", "PulseMode", "ShotCount", "State"]
        # Fresh processes: a fork would inherit the ORB's threads in a broken state.
        context = multiprocessing.get_context("spawn")
        results = context.Queue()
        barrier = context.Barrier(clients)
        processes = [context.Process(target=reader, args=(url, reads, names, results, barrier))
                     for _ in range(clients)]
        t0 = time.perf_counter()
        for p in processes:
            p.start()
        collected = [results.get(timeout=600) for _ in processes]
        elapsed = time.perf_counter() - t0
        for p in processes:
            p.join()
        errors = sum(c[0] for c in collected)
        first = statistics.median(t for c in collected for t in c[1][:100]) * 1000
        last = statistics.median(t for c in collected for t in c[1][-100:]) * 1000
        reading = max(c[3] for c in collected) - min(c[2] for c in collected)
        overlap = min(c[3] for c in collected) - max(c[2] for c in collected)
        print("%d clients x %d reads at once: %d errors; %.0f reads per second from the first "
              "client's first read to the last one's last (%.1f s; all %d reading together for "
              "%.1f s); %.1f s with the clients' start; median read %.2f ms over each client's "
              "first 100 reads, %.2f ms over its last 100"
              % (clients, reads, errors, clients * reads / reading, reading, clients,
                 max(overlap, 0), elapsed, first, last))
        print("resident memory at the end: %d KiB" % resident_kib(server.pid))
    finally:
        server.send_signal(signal.SIGTERM)
        try:
            server.wait(30)
        except subprocess.TimeoutExpired:
            server.kill()
        emulator.stop()
        shutil.rmtree(folder, ignore_errors=True)


def _connect(url):
    try:
        d = tango.DeviceProxy(url)
        d.ping()
        d.set_timeout_millis(20000)
        return d
    except tango.DevFailed:
        return None


def _line_time(emulator, line):
    try:
        with open(emulator.transcript) as f:
            for row in f:
                parts = row.rstrip("\n").split(" ", 2)
                if len(parts) == 3 and parts[1] == "RX" and parts[2] == line:
                    return parts[0]
    except FileNotFoundError:
        pass
    return None


if __name__ == "__main__":
    main()
