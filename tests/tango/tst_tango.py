#!/usr/bin/python3
"""kt7310-tango against emulators over pseudo-terminals, on loopback only.

    tst_tango.py <kt7310-tango> <kt7310-emulator>

One server with a file database holds four devices: a 7310-36 on COM1, a 7310-12 on
COM2, a port without a device (COM5) and a device that never answers (COM6). The
emulators' transcripts show what reached the instrument.
"""

import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

import tango

SERVER = EMULATOR = None
# Debian puts ser2net in /usr/sbin, which a user's PATH may lack.
SER2NET = shutil.which("ser2net") or shutil.which("ser2net", path="/usr/sbin:/sbin")
POLL_LINES = {":PULS0:STAT?", ":COUN:PULS?"}


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(predicate, timeout=10.0, step=0.05):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return predicate()


class Emulator:
    def __init__(self, folder, com, *options):
        self.transcript = os.path.join(folder, "com%d-%d.txt" % (com, time.monotonic_ns()))
        self.process = subprocess.Popen(
            [EMULATOR, "--port-dir", os.path.join(folder, "ports"), "--com", str(com),
             "--transcript", self.transcript, *options],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        link = os.path.join(folder, "ports", "COM%d" % com)
        if not wait_for(lambda: os.path.exists(link), 5):
            raise RuntimeError("the emulator on COM%d did not start" % com)

    def received(self):
        """The lines received, the status poll's left out."""
        try:
            with open(self.transcript) as f:
                rows = [line.rstrip("\n").split(" ", 2) for line in f]
        except FileNotFoundError:
            return []
        return [r[2] for r in rows if len(r) == 3 and r[1] == "RX" and r[2] not in POLL_LINES]

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)


class Ser2Net:
    """Debian's ser2net in front of an emulator's pseudo-terminal, offering it over RFC 2217
    on a loopback port, as a serial device server in a rack would."""

    def __init__(self, folder, device, port):
        self.config = os.path.join(folder, "ser2net-%d.yaml" % port)
        self.port = port
        with open(self.config, "w") as f:
            f.write("connection: &instrument\n"
                    "  accepter: telnet(rfc2217),tcp(nodelay),127.0.0.1,%d\n"
                    "  connector: serialdev,%s,115200n81,local\n"
                    "  options:\n"
                    "    kickolduser: true\n"
                    "    chardelay: false\n" % (port, device))
        self.process = None
        self.start()

    def start(self):
        self.process = subprocess.Popen([SER2NET, "-n", "-u", "-c", self.config, "-P",
                                         self.config + ".pid"],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def accepts():
            with socket.socket() as s:
                return s.connect_ex(("127.0.0.1", self.port)) == 0
        if not wait_for(accepts, 5):
            raise RuntimeError("ser2net did not come up on port %d" % self.port)
        time.sleep(0.1)  # the probe gone before the device server connects

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)


class Events:
    """Change events of one attribute, as a subscriber sees them."""

    def __init__(self, proxy, name):
        self.values = []
        self.lock = threading.Lock()
        self.proxy = proxy
        self.id = proxy.subscribe_event(name, tango.EventType.CHANGE_EVENT, self)

    def push_event(self, event):
        if event.err or event.attr_value is None:
            return
        with self.lock:
            self.values.append(event.attr_value.value)

    def seen(self, wanted, timeout=5.0):
        def match():
            with self.lock:
                return any(v == wanted for v in self.values)
        return wait_for(match, timeout)

    def close(self):
        self.proxy.unsubscribe_event(self.id)


class TangoServerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="kt7310-tango-")
        os.makedirs(os.path.join(cls.folder, "ports"))
        cls.emulators = {
            1: Emulator(cls.folder, 1, "--model", "7310-36", "--shot-count", "5000000123"),
            2: Emulator(cls.folder, 2, "--model", "7310-12"),
            6: Emulator(cls.folder, 6, "--silent"),
            # Holds its reply to channel 1's delay, so that a write is under way for a while.
            7: Emulator(cls.folder, 7, "--model", "462K-6", "--reply-delay", "1500",
                        "--slow-lines", ":PULS1:DEL"),
        }
        cls.emulators[8] = Emulator(cls.folder, 8, "--model", "7310-24")
        cls.net_port = free_port()
        cls.ser2net = Ser2Net(cls.folder, os.path.realpath(os.path.join(cls.folder, "ports", "COM8")),
                              cls.net_port) if SER2NET else None
        cls.settings12 = os.path.join(cls.folder, "settings12")
        cls.workdir = os.path.join(cls.folder, "work")  # the server's working folder
        os.makedirs(cls.workdir)
        database = os.path.join(cls.folder, "kt7310.db")
        with open(database, "w") as f:
            f.write('kt7310-tango/test/DEVICE/KT7310: "test/kt7310/36", "test/kt7310/12", '
                    '"test/kt7310/missing", "test/kt7310/silent", "test/kt7310/slow", "test/kt7310/net"\n'
                    "test/kt7310/36->Port: 1\n"
                    "test/kt7310/12->Port: 2\n"
                    "test/kt7310/12->PollPeriod: 300\n"
                    "test/kt7310/12->RetryPeriod: 500\n"
                    "test/kt7310/12->SettingsFolder: %s\n"
                    "test/kt7310/36->ServiceCommands: true\n"
                    "test/kt7310/missing->Port: 5\n"
                    "test/kt7310/silent->Port: 6\n"
                    "test/kt7310/silent->Baud: 115200\n"
                    "test/kt7310/slow->Port: 7\n"
                    "test/kt7310/slow->Baud: 115200\n"
                    "test/kt7310/net->Port: rfc2217://127.0.0.1:%d\n"
                    "test/kt7310/net->RetryPeriod: 500\n" % (cls.settings12, cls.net_port))
        cls.port = free_port()
        env = dict(os.environ, KT7310_PORT_DIR=os.path.join(cls.folder, "ports"),
                   HOME=cls.folder)
        env.pop("TANGO_HOST", None)  # /etc/tangorc's host does not exist here
        cls.log = open(os.path.join(cls.folder, "server.log"), "w+")
        cls.server = subprocess.Popen(
            [SERVER, "test", "-file=" + database,
             "-ORBendPoint", "giop:tcp:127.0.0.1:%d" % cls.port],
            stdout=cls.log, stderr=subprocess.STDOUT, env=env, cwd=cls.workdir)
        try:
            cls.d36 = cls.proxy("test/kt7310/36")
            cls.d12 = cls.proxy("test/kt7310/12")
            for d in (cls.d36, cls.d12):
                if not wait_for(lambda: cls.ready(d), 30):
                    raise RuntimeError("%s: %s\n%s" % (d.name(), d.status(), cls.server_log()))
        except BaseException:
            # tearDownClass does not run after a failed setUpClass; the server's log says why.
            code, log = cls.stop_processes()
            sys.stderr.write("the server (exit %s) wrote:\n%s\n" % (code, log))
            raise

    @classmethod
    def proxy(cls, name):
        url = "tango://127.0.0.1:%d/%s#dbase=no" % (cls.port, name)

        def connect():
            try:
                d = tango.DeviceProxy(url)
                d.ping()
                return d
            except tango.DevFailed:
                return None
        d = wait_for(connect, 20, 0.2)
        if d is None:
            raise RuntimeError("no server at %s\n%s" % (url, cls.server_log()))
        d.set_timeout_millis(20000)
        return d

    @staticmethod
    def ready(d):
        return d.state() in (tango.DevState.ON, tango.DevState.RUNNING)

    @classmethod
    def server_log(cls):
        cls.log.flush()
        cls.log.seek(0)
        return cls.log.read()

    @classmethod
    def stop_processes(cls):
        """The server's exit code after SIGTERM, and its log."""
        cls.server.send_signal(signal.SIGTERM)
        try:
            code = cls.server.wait(30)
        except subprocess.TimeoutExpired:
            cls.server.kill()
            code = "hung"
        if getattr(cls, "ser2net", None):
            cls.ser2net.stop()
        for e in cls.emulators.values():
            e.stop()
        log = cls.server_log()
        cls.log.close()
        shutil.rmtree(cls.folder, ignore_errors=True)
        return code, log

    @classmethod
    def tearDownClass(cls):
        code, log = cls.stop_processes()
        # The server ends cleanly on SIGTERM, its sessions with it.
        if code != 0:
            raise AssertionError("the server ended with %s:\n%s" % (code, log))

    def lines_after(self, emulator, action, count=0):
        """The lines action sends to the instrument (the poll's left out): once count lines
        have come (a slow machine may take its time), and whatever follows them shortly."""
        before = len(emulator.received())
        action()
        wait_for(lambda: len(emulator.received()) - before >= count, 10)
        time.sleep(0.3)  # the queue sends within a few tens of milliseconds
        return emulator.received()[before:]

    # ---- attributes ----------------------------------------------------------------------

    def test_attributes_follow_the_channel_count(self):
        for d, channels, model in ((self.d36, 36, "7310-36"), (self.d12, 12, "7310-12")):
            with self.subTest(model=model):
                names = list(d.get_attribute_list())
                matches = [m for m in (re.match(r"Ch(\d+)[A-Z]", n) for n in names) if m]
                self.assertEqual({int(m.group(1)) for m in matches}, set(range(1, channels + 1)))
                self.assertEqual(len(matches), 16 * channels)
                for name in ("Model", "SerialNumber", "Badge", "FirmwareVersion", "FpgaVersion",
                             "ShotCount", "Period", "Trigger2Threshold", "Gate2Debounce"):
                    self.assertIn(name, names)
                self.assertEqual(d.ChannelCount, channels)
                self.assertEqual(d.Model, model)
                self.assertEqual((d.Badge, d.SerialNumber, d.FirmwareVersion, d.FpgaVersion),
                                 ("KT", 10234, "2.04", "1.12"))

    def test_attribute_properties(self):
        delay = self.d12.get_attribute_config("Ch3Delay")
        self.assertEqual((delay.unit, delay.standard_unit), ("s", "1"))
        self.assertEqual((float(delay.min_value), float(delay.max_value)), (0.0, 2000.0))
        period = self.d12.get_attribute_config("Period")
        self.assertEqual((float(period.min_value), float(period.max_value)), (5e-8, 5000.0))
        self.assertEqual(self.d12.get_attribute_config("Trigger1Threshold").unit, "V")
        self.assertEqual(list(self.d12.get_attribute_config("PulseMode").enum_labels),
                         ["Continuous", "Single Shot", "Burst", "Duty Cycle"])
        # The poll's whole 64-bit count.
        self.assertTrue(wait_for(lambda: self.d36.ShotCount == 5000000123, 5))
        shots = self.d12.get_attribute_config("ShotCount")
        self.assertEqual(shots.data_type, tango.CmdArgType.DevLong64)
        self.assertEqual(shots.writable, tango.AttrWriteType.READ)

    def test_reads_equal_the_instruments_state(self):
        d = self.d12
        # Changed behind the server's back, then read again with Refresh.
        for n in range(1, 13):
            d.SendLine(":PULS%d:DEL %.11f" % (n, n * 1e-6))
        d.SendLine(":PULS0:MOD BURS")
        d.SendLine(":TRIG1:LEV 3.30")
        d.Refresh()
        self.assertEqual(d.state(), tango.DevState.INIT)
        self.assertTrue(wait_for(lambda: self.ready(d), 10))
        for n in range(1, 13):
            self.assertAlmostEqual(getattr(d, "Ch%dDelay" % n), n * 1e-6, delta=1e-15)
            self.assertAlmostEqual(float(d.SendLine(":PULS%d:DEL?" % n)), n * 1e-6, delta=1e-15)
        self.assertEqual(int(d.PulseMode), 2)
        self.assertAlmostEqual(d.Trigger1Threshold, 3.3)
        d.PulseMode = 0

    # ---- writes ----------------------------------------------------------------------------

    WRITES = [
        # (writes before, the write, the lines they send), as the panel sends them
        ([], ("Ch4Enabled", False), [":PULS4:STAT 0"]),
        ([], ("Ch4Enabled", True), [":PULS4:STAT 1"]),
        ([], ("Ch2Delay", 1e-7), [":PULS2:DEL 0.00000010000"]),
        # A hair off the grid passes the grid's rule; the state holds what was sent.
        ([], ("Ch2Width", 1.0000001e-6), [":PULS2:WIDT 0.00000100000"]),
        ([], ("Ch3Width", 2000.0), [":PULS3:WIDT 2000.00000000000"]),
        ([], ("Ch6Mode", 2), [":PULS6:MOD BURS"]),
        ([("Ch7Mode", 2)], ("Ch7BurstCount", 12), [":PULS7:MOD BURS", ":PULS7:BCO 12"]),
        ([], ("Ch8WaitCount", 3), [":PULS8:WCO 3"]),
        ([("Ch9Mode", 3)], ("Ch9DutyCycleOn", 4), [":PULS9:MOD DCYC", ":PULS9:PCO 4"]),
        ([("Ch10Mode", 3)], ("Ch10DutyCycleOff", 5), [":PULS10:MOD DCYC", ":PULS10:OCO 5"]),
        ([], ("Ch11Polarity", 1), [":PULS11:OUTP:POL INV"]),
        ([("Ch12OutputMode", 1)], ("Ch12Amplitude", 3.456),
         [":PULS12:OUTP:MOD ADJ", ":PULS12:OUTP:AMPL 3.46"]),
        ([], ("Ch5Multiplexer", 18), [":PULS5:MUX 18"]),
        ([], ("Ch2ChannelControl", 3), [":PULS2:CONT INHB"]),
        ([], ("Ch5SyncSource", 3), [":PULS5:SYNC SYNT"]),
        ([("Gate1Mode", 3)], ("Ch5GateMode", 1), [":GATE1:MOD CHAN", ":PULS5:CGAT PULS"]),
        ([("Gate2Mode", 3)], ("Ch6GateLogic", 1), [":GATE2:MOD CHAN", ":PULS6:CLOG HIGH"]),
        ([], ("Period", 0.001), [":PULS0:PER 0.001000000"]),
        ([], ("PulseMode", 2), [":PULS0:MOD BURS"]),
        ([("PulseMode", 2)], ("BurstCount", 4000000000), [":PULS0:MOD BURS", ":PULS0:BCO 4000000000"]),
        ([("PulseMode", 3)], ("DutyCycleOnCounts", 7), [":PULS0:MOD DCYC", ":PULS0:PCO 7"]),
        ([("PulseMode", 3)], ("CycleCounts", 9), [":PULS0:MOD DCYC", ":PULS0:CYCL 9"]),
        ([], ("AutoStart", True), [":SYST:AUT 1"]),
        ([], ("SyncOutput", 3), [":SYST:SYNC Ch4"]),
        ([], ("InputClock", 0), [":SYST:ICL SYS"]),
        ([], ("OutputClock", 0), [":SYST:OCL T0"]),
        ([], ("CounterEnabled", False), [":COUN:STAT 0"]),
        ([], ("CounterSource", 4), [":COUN:SEL CH10"]),
        ([("Trigger1Mode", 1)], ("Trigger1Edge", 1), [":TRIG1:MOD TRIG", ":TRIG1:EDG FALL"]),
        ([("Trigger1Mode", 1)], ("Trigger1Threshold", 2.5), [":TRIG1:MOD TRIG", ":TRIG1:LEV 2.50"]),
        ([("Trigger2Mode", 1)], ("Gate2Threshold", 1.25), [":TRIG2:MOD TRIG", ":TRIG2:LEV 1.25"]),
        ([], ("Trigger2Debounce", 1), [":TRIG2:DEB ENAB"]),
        ([("Gate1Mode", 1)], ("Gate1Threshold", 0.2), [":GATE1:MOD PULS", ":GATE1:LEV 0.20"]),
        ([("Gate2Mode", 2)], ("Gate2Logic", 1), [":GATE2:MOD OUTP", ":GAT2:LOG HIGH"]),
        ([], ("Gate1Debounce", 1), [":GAT1:DEB ENAB"]),
    ]

    def test_a_write_sends_the_panels_line(self):
        d, emulator = self.d12, self.emulators[2]
        for before, (name, value), lines in self.WRITES:
            with self.subTest(write=name, value=value):
                def writes():
                    for n, v in before:
                        d.write_attribute(n, v)
                    d.write_attribute(name, value)
                self.assertEqual(self.lines_after(emulator, writes, len(lines)), lines)
                read = d.read_attribute(name).value
                if isinstance(value, float):
                    self.assertEqual(read, float(lines[-1].split()[-1]))
                else:
                    self.assertEqual(read, value)

    REFUSED = [
        # (writes before, the write, the reason; None: Tango's own limit check)
        ([], ("Ch2Delay", 1.0001e-6), "KT7310_OffGrid"),
        ([], ("Period", 0.001000001), "KT7310_OffGrid"),
        ([], ("Ch2Width", 5e-9), None),
        ([], ("Ch2Amplitude", 25.0), None),
        ([], ("Ch2Multiplexer", 32), None),
        ([("Ch2OutputMode", 0)], ("Ch2Amplitude", 5.0), "KT7310_NotAvailable"),
        ([("PulseMode", 0)], ("BurstCount", 5), "KT7310_NotAvailable"),
        ([("PulseMode", 2)], ("DutyCycleOffCounts", 5), "KT7310_NotAvailable"),
        ([("Ch3Mode", 0)], ("Ch3BurstCount", 5), "KT7310_NotAvailable"),
        ([("Gate1Mode", 0), ("Gate2Mode", 0)], ("Ch3GateMode", 1), "KT7310_NotAvailable"),
        ([("Trigger1Mode", 0)], ("Trigger1Edge", 1), "KT7310_NotAvailable"),
        ([("Trigger2Mode", 0), ("Gate2Mode", 0)], ("Trigger2Threshold", 1.0), "KT7310_NotAvailable"),
        ([("Gate1Mode", 0)], ("Gate1Logic", 1), "KT7310_NotAvailable"),
    ]

    def test_refused_writes_send_nothing(self):
        d, emulator = self.d12, self.emulators[2]
        for before, (name, value), reason in self.REFUSED:
            with self.subTest(write=name, value=value):
                self.lines_after(emulator, lambda: [d.write_attribute(n, v) for n, v in before], len(before))
                earlier = d.read_attribute(name).value

                def refused():
                    with self.assertRaises(tango.DevFailed) as caught:
                        d.write_attribute(name, value)
                    self.caught = caught.exception
                self.assertEqual(self.lines_after(emulator, refused), [])
                if reason:
                    self.assertEqual(self.caught.args[0].reason, reason)
                    self.assertIn(name, self.caught.args[0].desc)
                self.assertEqual(d.read_attribute(name).value, earlier)

    def test_two_clients_writing_at_once_lose_nothing(self):
        emulator = self.emulators[1]
        clients = [self.proxy("test/kt7310/36"), self.proxy("test/kt7310/36")]
        errors = []

        def writer(d, first):
            try:
                for i in range(1, 26):
                    for n in range(first, first + 3):
                        d.write_attribute("Ch%dDelay" % n, i * 1e-6 + n * 1e-9)
            except tango.DevFailed as e:
                errors.append(e)
        before = len(emulator.received())
        threads = [threading.Thread(target=writer, args=(c, f)) for c, f in zip(clients, (1, 10))]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        self.assertEqual(errors, [])
        expected = {n: [":PULS%d:DEL %.11f" % (n, i * 1e-6 + n * 1e-9) for i in range(1, 26)]
                    for n in (1, 2, 3, 10, 11, 12)}
        wait_for(lambda: len(emulator.received()) - before >= 150, 10)
        sent = emulator.received()[before:]
        self.assertEqual(len(sent), 150)
        for n, lines in expected.items():
            self.assertEqual([l for l in sent if l.startswith(":PULS%d:" % n)], lines)
            self.assertAlmostEqual(self.d36.read_attribute("Ch%dDelay" % n).value,
                                   25e-6 + n * 1e-9, delta=1e-15)

    # ---- commands, state and events ---------------------------------------------------------

    def test_start_and_stop(self):
        d, emulator = self.d36, self.emulators[1]
        states = Events(d, "State")
        try:
            self.assertEqual(self.lines_after(emulator, d.Start, 1), [":PULS0:STAT ON"])
            self.assertEqual(d.state(), tango.DevState.RUNNING)
            self.assertIn("running", d.status())
            self.assertTrue(states.seen(tango.DevState.RUNNING))
            # The poll confirms it: still running a poll later.
            time.sleep(1.5)
            self.assertEqual(d.state(), tango.DevState.RUNNING)
            self.assertEqual(self.lines_after(emulator, d.Stop, 1), [":PULS0:STAT OFF"])
            self.assertEqual(d.state(), tango.DevState.ON)
            self.assertTrue(states.seen(tango.DevState.ON))
        finally:
            states.close()

    def test_change_events_after_a_write_and_a_refresh(self):
        watcher, writer = self.d36, self.proxy("test/kt7310/36")
        widths = Events(watcher, "Ch2Width")
        try:
            writer.Ch2Width = 3e-6
            self.assertTrue(widths.seen(3e-6))
            writer.SendLine(":PULS2:WIDT 0.00000400000")
            writer.Refresh()
            self.assertTrue(widths.seen(4e-6))
            self.assertTrue(wait_for(lambda: self.ready(watcher), 10))
        finally:
            widths.close()

    def test_bins_and_settings_files(self):
        d, emulator = self.d12, self.emulators[2]
        self.lines_after(emulator, lambda: d.write_attribute("Ch3Delay", 5e-6), 1)
        self.assertEqual(self.lines_after(emulator, lambda: d.SaveToBin(2), 1), ["*SAV 2"])
        self.lines_after(emulator, lambda: d.write_attribute("Ch3Delay", 6e-6), 1)
        self.assertEqual(self.lines_after(emulator, lambda: d.RecallBin(2), 1)[0], "*RCL 2")
        self.assertTrue(wait_for(lambda: self.ready(d), 10))
        self.assertAlmostEqual(d.Ch3Delay, 5e-6, delta=1e-15)
        with self.assertRaises(tango.DevFailed) as caught:
            d.RecallBin(13)
        self.assertEqual(caught.exception.args[0].reason, "KT7310_OutOfRange")

        d.SaveSettings("settings.txt")
        path = os.path.join(self.settings12, "settings.txt")  # made by the first save
        with open(path) as f:
            self.assertIn("*CFG 3 1 0.00000500000 ", f.read())
        self.assertIn("settings.txt", d.ListSettings())
        d.Ch3Delay = 7e-6
        self.assertEqual(d.LoadSettings("settings.txt"), "")  # the instrument confirms every line
        self.assertTrue(wait_for(lambda: self.ready(d), 10))
        self.assertAlmostEqual(d.Ch3Delay, 5e-6, delta=1e-15)
        with self.assertRaises(tango.DevFailed) as caught:
            d.LoadSettings("no such file.txt")
        self.assertEqual(caught.exception.args[0].reason, "KT7310_FileError")
        # A line the instrument refuses fails the load, naming it and the reply.
        with open(os.path.join(self.settings12, "refused.txt"), "w", newline="") as f:
            f.write(":PULS3:DEL 0.00000600000\r\n:PULS3:DEL 99999.00000000000\r\n")
        with self.assertRaises(tango.DevFailed) as caught:
            d.LoadSettings("refused.txt")
        self.assertEqual(caught.exception.args[0].reason, "KT7310_LoadFailed")
        self.assertIn("line 2", caught.exception.args[0].desc)
        self.assertIn("ERR", caught.exception.args[0].desc)
        self.assertTrue(wait_for(lambda: self.ready(d), 10))
        self.assertAlmostEqual(d.Ch3Delay, 6e-6, delta=1e-15)
        # A device without the property keeps its files in a folder named after it, in
        # the server's working folder.
        self.d36.SaveSettings("36.txt")
        self.assertTrue(os.path.isfile(os.path.join(self.workdir, "test_kt7310_36", "36.txt")))

    # ---- what a client may name and send -------------------------------------------------------

    def settings_files(self):
        """The settings folder of the 12-channel device, with one file of every kind a
        client may name, and a file outside it that nothing may touch."""
        folder = self.settings12
        os.makedirs(folder, exist_ok=True)
        outside = os.path.join(self.folder, "outside.txt")
        with open(outside, "wb") as f:
            f.write(b":PULS3:DEL 0.00000100000\r\n")
        good = [":PULS3:DEL 0.00000200000", ":PULS4:WIDT 0.00000300000", ":SYST:AUT 0"]
        files = {
            "good.txt": "// a comment\r\n" + "\r\n".join(good) + "\r\n",
            "mixed.txt": good[0] + "\r\nroot:x:0:0:root:/root:/bin/bash\r\n" + good[1] +
                         "\r\n:SYST:SEC 48213\r\n",
            "comments.txt": "// nothing but\r\n// comments\r\n",
            ".hidden": "\r\n".join(good),
        }
        for name, text in files.items():
            with open(os.path.join(folder, name), "w", newline="") as f:
                f.write(text)
        with open(os.path.join(folder, "big.txt"), "wb") as f:
            f.truncate(20 * 1024 * 1024)
        for name, make in (("link.txt", lambda p: os.symlink(outside, p)),
                           ("fifo", os.mkfifo), ("dir", os.mkdir)):
            p = os.path.join(folder, name)
            if not os.path.lexists(p):
                make(p)
        return folder, outside, good

    @staticmethod
    def folder_content(folder):
        content = {}
        for name in sorted(os.listdir(folder)):
            p = os.path.join(folder, name)
            if os.path.isfile(p) and not os.path.islink(p) and os.path.getsize(p) < 1024 * 1024:
                with open(p, "rb") as f:
                    content[name] = f.read()
            else:
                content[name] = None
        return content

    FILE_NAMES = [
        # (the command, the name; None for the file outside the folder, the reason or
        # None when it is taken)
        ("LoadSettings", None, "KT7310_BadFileName"),
        ("LoadSettings", "../outside.txt", "KT7310_BadFileName"),
        ("LoadSettings", "a/b", "KT7310_BadFileName"),
        ("LoadSettings", ".hidden", "KT7310_BadFileName"),
        ("LoadSettings", "link.txt", "KT7310_BadFileName"),
        ("LoadSettings", "fifo", "KT7310_BadFileName"),
        ("LoadSettings", "dir", "KT7310_BadFileName"),
        ("LoadSettings", "x" * 101, "KT7310_BadFileName"),
        ("LoadSettings", "tab\there", "KT7310_BadFileName"),
        ("LoadSettings", "big.txt", "KT7310_FileError"),
        ("LoadSettings", "mixed.txt", "KT7310_FileError"),
        ("LoadSettings", "comments.txt", "KT7310_FileError"),
        ("LoadSettings", "good.txt", None),
        ("SaveSettings", None, "KT7310_BadFileName"),
        ("SaveSettings", "../outside.txt", "KT7310_BadFileName"),
        ("SaveSettings", "link.txt", "KT7310_BadFileName"),
        ("SaveSettings", "dir", "KT7310_BadFileName"),
        ("SaveSettings", "fifo", "KT7310_BadFileName"),
        ("SaveSettings", "saved.txt", None),
    ]

    def test_settings_files_stay_in_their_folder(self):
        d, emulator = self.d12, self.emulators[2]
        folder, outside, good = self.settings_files()
        with open(outside, "rb") as f:
            outside_bytes = f.read()
        for command, name, reason in self.FILE_NAMES:
            name = outside if name is None else name
            with self.subTest(command=command, name=name[:40]):
                before = self.folder_content(folder)

                def call():
                    try:
                        self.answer = d.command_inout(command, name)
                        self.caught = None
                    except tango.DevFailed as e:
                        self.caught = e.args[0]
                sent = self.lines_after(emulator, call, len(good) if reason is None else 0)
                after = self.folder_content(folder)
                with open(outside, "rb") as f:
                    self.assertEqual(f.read(), outside_bytes)
                if reason is not None:
                    self.assertIsNotNone(self.caught, "%s(%r) was taken" % (command, name))
                    self.assertEqual(self.caught.reason, reason, self.caught.desc)
                    self.assertEqual([l for l in sent if not l.startswith("*CFG?")], [])
                    self.assertEqual(after, before)
                    self.assertNotIn("root:", self.caught.desc)
                elif command == "LoadSettings":
                    self.assertIsNone(self.caught)
                    self.assertEqual(sent[:len(good)], good)
                    self.assertEqual(self.answer, "")
                    self.assertEqual(after, before)
                else:
                    self.assertIsNone(self.caught)
                    self.assertEqual(set(after) - set(before), {name})
                    self.assertIn(b"*CFG 3 ", after[name])
        # The device answered all along: a pipe holds nothing.
        self.assertTrue(self.ready(d))
        # The refusal of a file with lines it does not know names them by number only.
        with self.assertRaises(tango.DevFailed) as caught:
            d.LoadSettings("mixed.txt")
        self.assertIn("line 2, 4", caught.exception.args[0].desc)
        self.assertTrue(wait_for(lambda: self.ready(d), 10))

    def test_list_settings_names_what_load_takes(self):
        folder, _, _ = self.settings_files()
        names = list(self.d12.ListSettings())
        self.assertEqual(names, sorted(names))
        for name in ("good.txt", "mixed.txt", "big.txt", "comments.txt"):
            self.assertIn(name, names)
        for name in (".hidden", "link.txt", "fifo", "dir"):
            self.assertNotIn(name, names)

    SEND_LINES = [
        # (the argument, the reason or None, the lines on the wire)
        (":PULS3:DEL 0.000001\r:PULS4:DEL 0.000002", "KT7310_BadLine", []),
        (":PULS3:DEL 0.000001\n:PULS4:DEL 0.000002", "KT7310_BadLine", []),
        (":PULS3:DEL 0.000001\r\n:PULS4:DEL 0.000002", "KT7310_BadLine", []),
        (":PULS3:DEL 0.000001\x01", "KT7310_BadLine", []),
        (":PULS3:DEL 0.000001\x85", "KT7310_BadLine", []),
        ("*IDN?\u20ac".encode("utf-8"), "KT7310_BadLine", []),
        ("", "KT7310_BadLine", []),
        (":SYST:SEC 48213", "KT7310_ServiceCommand", []),
        (":system:security 48213", "KT7310_ServiceCommand", []),
        (":PULS3:CAL:DEL 26", "KT7310_ServiceCommand", []),
        ("*SER 1", "KT7310_ServiceCommand", []),
        ("*IDN?", None, ["*IDN?"]),
        (":PULS5:WIDT 0.00000300000", None, [":PULS5:WIDT 0.00000300000"]),
    ]

    def test_send_line_sends_one_line(self):
        d, emulator = self.d12, self.emulators[2]
        widths = Events(d, "Ch5Width")
        try:
            for line, reason, wire in self.SEND_LINES:
                with self.subTest(line=line):
                    def call():
                        try:
                            self.answer = d.SendLine(line)
                            self.caught = None
                        except tango.DevFailed as e:
                            self.caught = e.args[0]
                    self.assertEqual(self.lines_after(emulator, call, len(wire)), wire)
                    if reason:
                        self.assertIsNotNone(self.caught)
                        self.assertEqual(self.caught.reason, reason)
                        if reason == "KT7310_ServiceCommand":
                            self.assertIn("ServiceCommands", self.caught.desc)
                    else:
                        self.assertIsNone(self.caught)
            # The setting sent shows in its attribute, with one change event.
            self.assertEqual(d.Ch5Width, 3e-6)
            self.assertTrue(widths.seen(3e-6))
            time.sleep(0.5)
            self.assertEqual(widths.values.count(3e-6), 1)
        finally:
            widths.close()
        # A device whose ServiceCommands property is true sends them.
        self.assertEqual(self.lines_after(self.emulators[1], lambda: self.d36.SendLine(":SYST:SEC 48213"), 1),
                         [":SYST:SEC 48213"])

    def test_dev_restart_leaves_the_other_devices_alone(self):
        admin = self.proxy("dserver/kt7310-tango/test")
        reader = self.proxy("test/kt7310/12")
        errors = []
        stop = threading.Event()

        def read():
            while not stop.is_set():
                try:
                    reader.read_attribute("Ch1Delay")
                    reader.state()
                except tango.DevFailed as e:
                    errors.append(e)
                time.sleep(0.02)
        t = threading.Thread(target=read)
        t.start()
        try:
            admin.DevRestart("test/kt7310/missing")
            time.sleep(1.5)
        finally:
            stop.set()
            t.join()
        self.assertEqual(errors, [])
        missing = self.proxy("test/kt7310/missing")
        self.assertTrue(wait_for(lambda: missing.state() == tango.DevState.FAULT, 10))

    def test_send_line_gives_the_reply(self):
        self.assertEqual(self.d12.SendLine("*IDN?"), "KT,7310-12,10234,2.04-1.12")
        self.assertTrue(self.d12.SendLine(":NOSUCH 1").startswith("ERR"))

    def test_init_while_a_write_waits_for_its_reply(self):
        d, emulator = self.proxy("test/kt7310/slow"), self.emulators[7]
        self.assertTrue(wait_for(lambda: self.ready(d), 30), d.status())
        held, queued = ":PULS1:DEL 0.00000100000", ":PULS2:DEL 0.00000200000"
        before = len(emulator.received())
        d.Ch1Delay = 1e-6  # queued: the drain then waits 1.5 s for its reply
        d.Ch2Delay = 2e-6  # behind it
        self.assertTrue(wait_for(lambda: held in emulator.received()[before:], 5))
        other = self.proxy("test/kt7310/slow")
        other.Init()  # the session ends inside that reply wait
        self.assertTrue(wait_for(lambda: self.ready(other), 30), other.status())
        time.sleep(2)
        sent = emulator.received()[before:]
        self.assertEqual(sent.count(held), 1)
        # The line behind it went out once, or the log counts it as not sent.
        if queued not in sent:
            self.assertIn("test/kt7310/slow: 1 queued command line(s) were not sent",
                          self.server_log())
        else:
            self.assertEqual(sent.count(queued), 1)
        # The device works on, and so does the server.
        self.assertEqual(self.lines_after(emulator, lambda: d.write_attribute("Ch3Delay", 3e-6), 1),
                         [":PULS3:DEL 0.00000300000"])
        self.assertTrue(self.ready(self.d12))

    def test_instrument_behind_a_serial_device_server(self):
        if not self.ser2net:
            self.skipTest("ser2net is not installed (scripts/setup installs it)")
        d, emulator = self.proxy("test/kt7310/net"), self.emulators[8]
        address = "rfc2217://127.0.0.1:%d" % self.net_port
        self.assertTrue(wait_for(lambda: self.ready(d), 30), d.status())
        self.assertEqual((d.Model, d.ChannelCount), ("7310-24", 24))
        self.assertIn(address, d.status())
        self.assertEqual(self.lines_after(emulator, lambda: d.write_attribute("Ch24Delay", 4e-6), 1),
                         [":PULS24:DEL 0.00000400000"])
        # The device server goes away: FAULT naming the address, and back by itself.
        self.ser2net.stop()
        self.assertTrue(wait_for(lambda: d.state() == tango.DevState.FAULT, 15), d.status())
        self.assertIn(address, d.status())
        self.ser2net.start()
        self.assertTrue(wait_for(lambda: self.ready(d), 30), d.status())
        self.assertAlmostEqual(d.Ch24Delay, 4e-6, delta=1e-15)

    # ---- faults -------------------------------------------------------------------------------

    FAULTS = [
        ("test/kt7310/missing", ["No instrument found on COM5.", "COM5", "does not exist"]),
        ("test/kt7310/silent", ["No instrument found on COM6 at 115200 baud.",
                                "nothing answered at 115200 baud"]),
    ]

    def test_fault_says_why(self):
        for name, texts in self.FAULTS:
            with self.subTest(device=name):
                d = self.proxy(name)
                self.assertTrue(wait_for(lambda: d.state() == tango.DevState.FAULT, 10))
                status = d.status()
                for text in texts:
                    self.assertIn(text, status)
                self.assertIn("Trying again", status)
                with self.assertRaises(tango.DevFailed) as caught:
                    d.Start()
                self.assertEqual(caught.exception.args[0].reason, "KT7310_Fault")

    def test_z_unplugged_instrument_gives_fault_and_comes_back(self):
        d = self.d12
        d.Ch3Delay = 2e-6
        states = Events(d, "State")
        try:
            self.emulators[2].stop()
            self.assertTrue(wait_for(lambda: d.state() == tango.DevState.FAULT, 10))
            self.assertIn("COM2", d.status())
            self.assertTrue(states.seen(tango.DevState.FAULT))
            self.assertIsNone(d.read_attribute("Ch3Delay").value)  # no value while gone
            with self.assertRaises(tango.DevFailed) as caught:
                d.Ch3Delay = 1e-6
            self.assertEqual(caught.exception.args[0].reason, "KT7310_Fault")

            # Another instrument on the same port, a 6-channel model: found by itself, read
            # again, and the attributes follow its channels.
            self.emulators[2] = Emulator(self.folder, 2, "--model", "462K-6", "--serial", "777")
            self.assertTrue(wait_for(lambda: self.ready(d), 20), d.status())
            self.assertTrue(states.seen(tango.DevState.ON))
            self.assertEqual((d.Model, d.SerialNumber, d.ChannelCount), ("462K-6", 777, 6))
            self.assertEqual(d.Ch3Delay, 0.0)
            names = wait_for(lambda: [n for n in d.get_attribute_list() if n.startswith("Ch7")] == [], 5)
            self.assertTrue(names, "Ch7 attributes are left on a 6-channel model")
            self.assertIn("Ch6Delay", list(d.get_attribute_list()))
            self.assertEqual(float(d.get_attribute_config("Ch6Multiplexer").max_value), 15)
            self.assertEqual(self.lines_after(self.emulators[2], lambda: d.write_attribute("Ch3Delay", 1e-6), 1),
                             [":PULS3:DEL 0.00000100000"])
        finally:
            states.close()


if __name__ == "__main__":
    SERVER, EMULATOR = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
