#!/usr/bin/env python3
"""The end-to-end figures of the Linux client: the installed program (release
build) against the demo server, on a private Xvfb, each figure in a fresh run
folder. Prints one table. Standard library only; see docs/performance.md for
the method and bench/e2e/run-figures.sh for the command.

  figures.py --build build/release [--only NAME,...] [--keep]

NAMES: calls, latency, rate, slow, paint, memory.
"""

import argparse
import json
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.request

SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
BENCH_PAGE = os.path.join(SOURCE, "bench", "e2e", "page")
DEMO_PAGE = os.path.join(SOURCE, "demo", "page")

SCREEN = (1920, 1080)
# The demo page's ground (board.css --ground) and its row cards (--card).
GROUND = "0a0f1f"
CARD = "151d38"
SETTLE_S = 5.0


def log(text):
    print("figures: " + text, file=sys.stderr, flush=True)


def wait_until(condition, timeout, step=0.1, what="condition"):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = condition()
        if value:
            return value
        time.sleep(step)
    raise TimeoutError("timed out waiting for " + what)


def percentile(values, fraction):
    """Nearest-rank percentile."""
    ordered = sorted(values)
    rank = max(1, int(-(-fraction * len(ordered) // 1)))
    return ordered[min(rank, len(ordered)) - 1]


def stop_process(process, timeout=30):
    if process is None or process.poll() is not None:
        return
    process.send_signal(signal.SIGTERM)
    try:
        process.wait(timeout)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


# --- processes and their memory ------------------------------------------------


def parents():
    table = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % name) as stat:
                text = stat.read()
        except OSError:
            continue
        fields = text[text.rfind(")") + 2 :].split()
        if fields[0] != "Z":
            table[int(name)] = int(fields[1])
    return table


def process_tree(root):
    """The process and all its descendants that still live."""
    table = parents()
    tree = [root] if root in table else []
    for pid in tree:
        tree.extend(child for child, parent in table.items() if parent == pid)
    return tree


def process_memory(pid):
    """(PSS kB, RSS kB, USS kB) of one process, from smaps_rollup. USS (its
    private pages) does not depend on what else runs on the machine; PSS
    does: a library page shared with another program's process counts half."""
    values = {"Pss:": 0, "Rss:": 0, "Private_Clean:": 0, "Private_Dirty:": 0}
    try:
        with open("/proc/%d/smaps_rollup" % pid) as rollup:
            for line in rollup:
                key = line.split(maxsplit=1)[0]
                if key in values:
                    values[key] = int(line.split()[1])
    except OSError:
        pass
    return values["Pss:"], values["Rss:"], values["Private_Clean:"] + values["Private_Dirty:"]


def tree_memory(root):
    """{pss, rss, uss, processes, each}: the tree's sums (PSS counts a page
    shared by several of its processes once in all, RSS once in each) and
    each process's own figures by name."""
    total = {"pss": 0, "rss": 0, "uss": 0, "each": {}}
    pids = process_tree(root)
    for pid in pids:
        pss, rss, uss = process_memory(pid)
        total["pss"] += pss
        total["rss"] += rss
        total["uss"] += uss
        name = command_name(pid)
        while name in total["each"]:
            name += "+"
        total["each"][name] = {"pss": pss, "rss": rss, "uss": uss}
    total["processes"] = len(pids)
    return total


def command_name(pid):
    try:
        with open("/proc/%d/comm" % pid) as comm:
            return comm.read().strip()
    except OSError:
        return "?"


# --- the desktop ------------------------------------------------------------------


class Desktop:
    """Xvfb and a session bus of the bench's own."""

    def __init__(self, work):
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-nolisten", "tcp", "-screen", "0",
             "%dx%dx24" % SCREEN],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as pipe:
            self.display = ":" + pipe.readline().strip()
        read, write = os.pipe()
        self.bus = subprocess.Popen(
            ["dbus-daemon", "--session", "--nofork", "--print-address=%d" % write],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as pipe:
            self.bus_address = pipe.readline().strip()
        self.runtime = os.path.join(work, "runtime")
        os.makedirs(self.runtime, mode=0o700, exist_ok=True)

    def stop(self):
        stop_process(self.bus)
        stop_process(self.xvfb)


# --- the demo server -------------------------------------------------------------


class DemoServer:
    def __init__(self, build, work, page_root, *options):
        self.output_path = os.path.join(work, "demo-server.out")
        self.output = open(self.output_path, "w")
        self.process = subprocess.Popen(
            [os.path.join(build, "demo", "server", "orvane-demo-server"), "--web-port", "0",
             "--push-port", "0", "--page-root", page_root, "--seed", "1", *options],
            stdout=self.output, stderr=subprocess.STDOUT)
        wait_until(lambda: " ready" in self.text(), 30, what="the demo server")
        self.web_port = int(re.search(r" web http://[^:]+:(\d+)/", self.text()).group(1))

    def text(self):
        with open(self.output_path) as out:
            return out.read()

    def request(self, method, path, body=None):
        request = urllib.request.Request(
            "http://127.0.0.1:%d%s" % (self.web_port, path), method=method,
            data=body if body is not None else (b"" if method == "POST" else None))
        with urllib.request.urlopen(request, timeout=30) as response:
            return json.loads(response.read().decode("utf-8"))

    def status(self):
        return self.request("GET", "/admin/status")

    def stop(self):
        stop_process(self.process)
        self.output.close()


# --- the client --------------------------------------------------------------------


class Client:
    """The installed client in a run folder of its own."""

    def __init__(self, build, work, desktop, name):
        self.desktop = desktop
        self.folder = os.path.join(work, name)
        self.run = os.path.join(self.folder, "run")
        self.home = os.path.join(self.folder, "home")
        os.makedirs(self.home, exist_ok=True)
        subprocess.run(["cmake", "--install", build, "--prefix", self.run, "--component",
                        "program"], check=True, stdout=subprocess.DEVNULL)
        self.config = os.path.join(self.run, "config.ini")
        self.process = None

    def write_config(self, web_port, bench=None):
        lines = ["[server]", "ip=127.0.0.1", "webport=%d" % web_port, "[local]", "index=1"]
        if bench:
            lines.append("[bench]")
            lines.extend("%s=%s" % item for item in bench.items())
        with open(self.config, "w") as out:
            out.write("\n".join(lines) + "\n")

    def start(self, trace=None, extra_environment=None):
        env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "DISPLAY": self.desktop.display,
            "DBUS_SESSION_BUS_ADDRESS": self.desktop.bus_address,
            "HOME": self.home,
            "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
            "XDG_RUNTIME_DIR": self.desktop.runtime,
            "GDK_BACKEND": "x11",
            "NO_AT_BRIDGE": "1",
            "LANG": "C.UTF-8",
        }
        if trace:
            env["ORVANE_TRACE_CALLS"] = trace
        env.update(extra_environment or {})
        self.process = subprocess.Popen([os.path.join(self.run, "QZorvane")], env=env,
                                        cwd=self.folder, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        return self.process

    def stop(self):
        stop_process(self.process)

    def day_log(self):
        folder = os.path.join(self.run, "log", "orvane_log")
        text = ""
        for name in sorted(os.listdir(folder)) if os.path.isdir(folder) else []:
            with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as day:
                text += day.read()
        return text

    def day_log_tail(self, size=1 << 16):
        """The last `size` bytes of the newest day file: what a wait for the
        latest lines needs, without reading a file that a burst has made
        tens of megabytes long, on a machine the client is being measured on."""
        folder = os.path.join(self.run, "log", "orvane_log")
        names = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
        if not names:
            return ""
        with open(os.path.join(folder, names[-1]), "rb") as day:
            day.seek(0, os.SEEK_END)
            day.seek(max(0, day.tell() - size))
            return day.read().decode("utf-8", errors="replace")

    def report(self):
        """[bench] report from config.ini, as the page wrote it; None when
        there is none or it is being rewritten."""
        try:
            with open(self.config, encoding="utf-8") as ini:
                text = ini.read()
        except OSError:
            return None
        section = None
        for line in text.splitlines():
            if line.startswith("["):
                section = line.strip()
            elif section == "[bench]" and line.startswith("report="):
                try:
                    return json.loads(line[len("report="):])
                except ValueError:
                    return None
        return None

    def wait_report(self, condition, timeout, what):
        def check():
            if self.process.poll() is not None:
                raise RuntimeError("the client ended while waiting for " + what)
            report = self.report()
            return report if report and condition(report) else None

        return wait_until(check, timeout, what=what)

    def memory(self):
        return tree_memory(self.process.pid)


def logged_in(server):
    return server.status().get("loggedIn", 0) >= 1


# --- the figures ---------------------------------------------------------------------


def figure_calls(build, work, desktop):
    """1000 "pcname" calls in a tight loop, five rounds: the page's time for
    a round / 1000, and the intervals between calls arriving at the program's
    handler (monotonic clock, from the opt-in call trace)."""
    server = DemoServer(build, work, BENCH_PAGE, "--interval", "0")
    client = Client(build, work, desktop, "calls")
    trace = os.path.join(client.folder, "calls.trace")
    try:
        client.write_config(server.web_port, {"mode": "calls", "rounds": 5})
        client.start(trace=trace)
        report = client.wait_report(lambda r: r.get("mode") == "calls" and r.get("done"), 120,
                                    "the calls")
    finally:
        client.stop()  # the trace is flushed as the program ends
        server.stop()
    arrivals = []
    with open(trace) as lines:
        for line in lines:
            stamp, _, head = line.partition(" ")
            if '"a":"pcname"' in head:
                arrivals.append(int(stamp))
    rounds, current = [], [arrivals[0]]
    for before, after in zip(arrivals, arrivals[1:]):
        # The rounds are 300 ms apart.
        if after - before > 100_000_000:
            rounds.append(current)
            current = []
        current.append(after)
    rounds.append(current)
    intervals = [(b - a) / 1e6 for r in rounds for a, b in zip(r, r[1:])]
    per_call = [ms / report["perRound"] for ms in report["roundMs"]]
    return {
        "mean_ms": sum(report["roundMs"]) / (report["perRound"] * len(report["roundMs"])),
        "round_means_ms": per_call,
        "p50_ms": percentile(intervals, 0.50),
        "p99_ms": percentile(intervals, 0.99),
        "max_ms": max(intervals),
        "arrivals": len(arrivals),
        "rounds": [len(r) for r in rounds],
        "answer": report.get("answer"),
    }


def figure_latency(build, work, desktop, samples=2000):
    """Score changes every 10 ms, stamped by the server; the page's wall clock
    at clientJS2 minus the stamp (both whole milliseconds)."""
    server = DemoServer(build, work, BENCH_PAGE, "--interval", "0", "--stamp")
    client = Client(build, work, desktop, "latency")
    try:
        client.write_config(server.web_port, {"mode": "latency", "expect": samples})
        client.start()
        wait_until(lambda: logged_in(server), 60, what="the client's login")
        time.sleep(1)
        server.request("POST", "/admin/interval?ms=10")
        report = client.wait_report(lambda r: r.get("mode") == "latency" and r.get("done"),
                                    60 + samples * 0.05, "the latency samples")
    finally:
        client.stop()
        server.stop()
    values = report["samples"]
    return {
        "count": len(values),
        "p50_ms": percentile(values, 0.50),
        "p99_ms": percentile(values, 0.99),
        "mean_ms": statistics.fmean(values),
        "max_ms": max(values),
    }


def figure_rate(build, work, desktop, count=100_000):
    """A burst of `count` score changes as fast as the link takes them, to a
    page whose clientJS2 only counts and checks the sequence."""
    server = DemoServer(build, work, BENCH_PAGE, "--interval", "0")
    client = Client(build, work, desktop, "rate")
    try:
        client.write_config(server.web_port, {"mode": "count", "expect": count})
        client.start()
        wait_until(lambda: logged_in(server), 60, what="the client's login")
        client.wait_report(lambda r: r.get("mode") == "count", 60, "the counting page")
        started = time.time() * 1000
        burst = server.request("POST", "/admin/burst?count=%d" % count)
        report = client.wait_report(lambda r: r.get("done"), 600, "the burst's last message")
        memory = client.memory()
    finally:
        client.stop()
        server.stop()
    elapsed_s = (report["lastAt"] - started) / 1000
    return {
        "count": report["count"],
        "per_s": report["count"] / elapsed_s,
        "page_per_s": (report["count"] - 1) / max((report["lastAt"] - report["firstAt"]) / 1000,
                                                  1e-3),
        "in_order": report["backwards"] == 0 and report["firstSeq"] == burst["firstSeq"],
        "lost": count - report["count"] + report["gaps"],
        "gaps": report["gaps"],
        "backwards": report["backwards"],
        "memory": memory,
    }


def figure_slow(build, work, desktop, seconds=30):
    """A burst of 100,000 to a page that spends 5 ms on each message: how far
    the server gets, and the client's memory, sampled every second."""
    server = DemoServer(build, work, BENCH_PAGE, "--interval", "0")
    client = Client(build, work, desktop, "slow")
    samples = []
    try:
        client.write_config(server.web_port, {"mode": "slow", "expect": 100_000})
        client.start()
        wait_until(lambda: logged_in(server), 60, what="the client's login")
        client.wait_report(lambda r: r.get("mode") == "slow", 60, "the slow page")
        server.request("POST", "/admin/burst?count=100000")
        begun = time.monotonic()
        for second in range(1, seconds + 1):
            time.sleep(max(0.0, begun + second - time.monotonic()))
            sent = server.status()["burstSent"]
            report = client.report() or {}
            memory = client.memory()
            samples.append({"t": second, "sent": sent, "taken": report.get("count", 0),
                            "pss_kb": memory["pss"], "program_pss_kb": memory["each"]
                            .get("QZorvane", {}).get("pss", 0)})
        gave_up = re.search(r"burst stopped: client \d+ took nothing for (\d+) s", server.text())
    finally:
        client.stop()
        server.stop()
    early = samples[4]
    last = samples[-1]
    return {
        "samples": samples,
        "sent_early": early["sent"],
        "sent": last["sent"],
        "taken_early": early["taken"],
        "taken": last["taken"],
        "backlog_max": max(s["sent"] - s["taken"] for s in samples),
        "pss_early_kb": early["pss_kb"],
        "pss_last_kb": last["pss_kb"],
        "pss_growth": last["pss_kb"] / early["pss_kb"] - 1,
        "program_pss_early_kb": early["program_pss_kb"],
        "program_pss_last_kb": last["program_pss_kb"],
        "server_gave_up": bool(gave_up),
        "seconds": seconds,
    }


def figure_paint(build, work, desktop, launches=6):
    """Launch to first paint: the server ready, a saved screen choice, and
    the machine up for long past the startup's 5 s settle. A watcher reads
    the screen every 2 ms: first paint is the page's ground colour in the
    bottom-left corner, "rows" the row cards over a tenth of the screen."""
    server = DemoServer(build, work, DEMO_PAGE)
    client = Client(build, work, desktop, "paint")
    runs = []
    try:
        client.write_config(server.web_port)
        for _ in range(launches):
            watcher = subprocess.Popen(
                [os.path.join(build, "bench", "e2e", "orvane_wait_for_screen"), desktop.display,
                 "60", "pixel:1:%d:%s" % (SCREEN[1] - 2, GROUND), "share:%s:0.10" % CARD],
                stdout=subprocess.PIPE, text=True)
            assert watcher.stdout.readline().strip() == "ready"
            trace = os.path.join(client.folder, "paint-%d.trace" % len(runs))
            launched = time.monotonic() * 1000
            client.start(trace=trace)
            painted = float(watcher.stdout.readline())
            rows = float(watcher.stdout.readline())
            watcher.wait()
            client.stop()
            # The page's first serverJS call: its script is running.
            with open(trace) as lines:
                script = int(lines.readline().split()[0]) / 1e6
            runs.append({"paint_ms": painted - launched, "rows_ms": rows - launched,
                         "script_ms": script - launched})
            # The window gone, the screen is the root's again.
            time.sleep(1)
    finally:
        client.stop()
        server.stop()
    later = runs[1:]
    return {
        "runs": runs,
        "first_ms": runs[0]["paint_ms"],
        "paint_ms": statistics.median(r["paint_ms"] for r in later),
        "paint_max_ms": max(r["paint_ms"] for r in later),
        "rows_ms": statistics.median(r["rows_ms"] for r in later),
        "script_ms": statistics.median(r["script_ms"] for r in later),
    }


def figure_memory(build, work, desktop, count=100_000):
    """Memory of the process tree showing the demo page: after load, after
    `count` pushes and after as many again; then Chromium in kiosk mode on
    the same page and screen."""
    server = DemoServer(build, work, DEMO_PAGE)
    try:
        result = measure_client_memory(build, work, desktop, server, count)
        result.update(measure_chromium_memory(work, desktop, server))
    finally:
        server.stop()
    return result


def measure_client_memory(build, work, desktop, server, count):
    client = Client(build, work, desktop, "memory")
    result = {}
    try:
        client.write_config(server.web_port)
        client.start()
        wait_until(lambda: "->[载入完成]" in client.day_log() and logged_in(server), 60,
                   what="the page")
        time.sleep(SETTLE_S)
        result["loaded"] = client.memory()
        # In bursts the demo server finishes: it gives a burst up when the
        # client's socket takes nothing for 10 s, which the kernel's loopback
        # buffers (megabytes) bring about with a page that draws each change.
        # Twice: the second 100,000 tell a heap that has found its size from
        # one that keeps growing.
        for key in ("pushed", "pushed_again"):
            started = time.monotonic()
            for _ in range(count // 10_000):
                burst = server.request("POST", "/admin/burst?count=10000")
                last = '"seq":%d,' % (burst["firstSeq"] + 10_000 - 1)
                wait_until(lambda: last in client.day_log_tail() and not server.status()["burstRunning"],
                           600, step=0.5, what="a burst's last push")
            result.setdefault("pushes_per_s", count / (time.monotonic() - started))
            time.sleep(SETTLE_S)
            result[key] = client.memory()
    finally:
        client.stop()
    return result


def measure_chromium_memory(work, desktop, server):
    profile = os.path.join(work, "chromium-profile")
    before = server.text().count("GET /api/board")
    browser = subprocess.Popen(
        ["chromium", "--kiosk", "--no-sandbox", "--disable-gpu", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--user-data-dir=" + profile, "http://127.0.0.1:%d/client/app/orvane/" % server.web_port],
        env=dict(os.environ, DISPLAY=desktop.display, DBUS_SESSION_BUS_ADDRESS=desktop.bus_address),
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
    try:
        # The page asks for the board once it runs.
        wait_until(lambda: server.text().count("GET /api/board") > before, 60,
                   what="Chromium's page")
        time.sleep(SETTLE_S)
        return {"chromium": tree_memory(browser.pid)}
    finally:
        stop_process(browser)
        # Whatever of its tree is left.
        try:
            os.killpg(browser.pid, signal.SIGKILL)
        except OSError:
            pass


# --- the table -------------------------------------------------------------------------


def mb(kb):
    return "%.1f MB" % (kb / 1024)


def table(results):
    rows = []
    if "calls" in results:
        r = results["calls"]
        rows.append(("serverJS round trip, mean of 5 x 1000 pcname", "%.3f ms" % r["mean_ms"],
                     "<= 0.25 ms"))
        rows.append(("serverJS arrival intervals p50 / p99",
                     "%.3f / %.3f ms" % (r["p50_ms"], r["p99_ms"]), "p99 <= 1 ms"))
    if "latency" in results:
        r = results["latency"]
        rows.append(("push -> clientJS2 p50 / p99 (%d, 1 ms steps)" % r["count"],
                     "%d / %d ms (mean %.2f)" % (r["p50_ms"], r["p99_ms"], r["mean_ms"]),
                     "p50 <= 2 ms, p99 <= 10 ms"))
    if "rate" in results:
        r = results["rate"]
        rows.append(("sustained push rate, %d to a counting page" % r["count"],
                     "%.0f /s, %s, %d lost" % (r["per_s"], "in order" if r["in_order"] else
                                               "OUT OF ORDER", r["lost"]),
                     ">= 5,000 /s, in order, none lost"))
    if "slow" in results:
        r = results["slow"]
        rows.append(("5 ms/message page: server sent, 5 s / %d s" % r["seconds"],
                     "%d / %d of 100000 (page took %d / %d)%s" % (
                         r["sent_early"], r["sent"], r["taken_early"], r["taken"],
                         "; server gave its burst up" if r["server_gave_up"] else ""),
                     "server held back"))
        rows.append(("  client tree PSS, 5 s / %d s" % r["seconds"],
                     "%s / %s (%+.1f %%); QZorvane %s / %s" % (
                         mb(r["pss_early_kb"]), mb(r["pss_last_kb"]), 100 * r["pss_growth"],
                         mb(r["program_pss_early_kb"]), mb(r["program_pss_last_kb"])),
                     "flat"))
    if "paint" in results:
        r = results["paint"]
        rows.append(("launch to first paint, median of %d (max)" % (len(r["runs"]) - 1),
                     "%.0f ms (%.0f); first launch %.0f ms" % (r["paint_ms"], r["paint_max_ms"],
                                                               r["first_ms"]),
                     "<= 1000 ms"))
        rows.append(("  launch to the page's first serverJS call", "%.0f ms" % r["script_ms"], ""))
        rows.append(("  launch to rows on screen", "%.0f ms" % r["rows_ms"], ""))
    if "memory" in results:
        r = results["memory"]
        loaded, pushed, chromium = r["loaded"], r["pushed"], r["chromium"]

        def sizes(m):
            return "%s / %s / %s" % (mb(m["pss"]), mb(m["rss"]), mb(m["uss"]))

        rows.append(("client tree after load, PSS / RSS / USS (%d proc)" % loaded["processes"],
                     sizes(loaded), ""))
        rows.append(("client tree after 100,000 pushes (%.0f /s)" % r["pushes_per_s"],
                     "%s (PSS %+.1f %%)" % (sizes(pushed), 100 * (pushed["pss"] / loaded["pss"] - 1)),
                     "PSS growth <= 5 %"))
        again = r["pushed_again"]
        rows.append(("client tree after 200,000 pushes",
                     "%s (PSS %+.1f %%)" % (sizes(again), 100 * (again["pss"] / loaded["pss"] - 1)),
                     ""))
        rows.append(("chromium --kiosk after load (%d proc)" % chromium["processes"],
                     sizes(chromium), ""))
        rows.append(("client / chromium, PSS (RSS, USS)", "%.2f x (%.2f x, %.2f x)" % (
            loaded["pss"] / chromium["pss"], loaded["rss"] / chromium["rss"],
            loaded["uss"] / chromium["uss"]), "PSS <= 0.5 x"))
    width = [max(len(row[i]) for row in rows + [("figure", "measured", "goal")])
             for i in range(3)]
    line = "  ".join("%-*s" for _ in width)
    out = [line % (width[0], "figure", width[1], "measured", width[2], "goal"),
           line % (width[0], "-" * width[0], width[1], "-" * width[1], width[2], "-" * width[2])]
    out += [line % (width[0], a, width[1], b, width[2], c) for a, b, c in rows]
    return "\n".join(out)


FIGURES = {
    "calls": figure_calls,
    "latency": figure_latency,
    "rate": figure_rate,
    "slow": figure_slow,
    "paint": figure_paint,
    "memory": figure_memory,
}


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(SOURCE, "build", "release"))
    parser.add_argument("--only", default=",".join(FIGURES))
    parser.add_argument("--keep", action="store_true", help="keep the work folder")
    parser.add_argument("--json", help="also write every figure's details here")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    work = tempfile.mkdtemp(prefix="orvane-figures-")
    desktop = Desktop(work)
    results = {}
    try:
        for name in args.only.split(","):
            log("measuring " + name)
            results[name] = FIGURES[name](build, work, desktop)
            log(name + ": " + json.dumps({k: v for k, v in results[name].items()
                                          if k not in ("samples", "runs", "each")}))
    finally:
        desktop.stop()
        if args.keep:
            log("work folder kept: " + work)
        else:
            shutil.rmtree(work, ignore_errors=True)
    if args.json:
        with open(args.json, "w") as out:
            json.dump(results, out, indent=1)
    print(table(results))


if __name__ == "__main__":
    main()
