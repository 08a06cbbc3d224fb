#!/usr/bin/env python3
"""Kalvane against a live Ontime server on loopback: does the card show the server's second,
and how long does a change take to reach it?

Start an Ontime server on 127.0.0.1 first, in a network namespace of its own, with a
count-down event that runs for longer than the measurement, and run this script inside the
same namespace:

    ip netns exec NS bench/ontime/ontime-live.py build/release/kalvane \
        [--port 4001] [--link socket|poll] [--seconds 300] [--changes 60] [--event ID]

or let it serve the scripted Ontime of bench/ontime/scripted_ontime.py, whose timeline is
known, on the port itself (`--scripted`); it then also reports the requests per minute the
server received from the app:

    unshare -n sh -c 'ip link set lo up && bench/ontime/ontime-live.py BINARY --scripted'

1. Same second (--seconds): the event is started and left to play. Its timeline is known
   from the server's `expectedFinish` and its clock (milliseconds since the server's
   midnight): at each moment the server's own timer view shows ceil((expectedFinish -
   clock) / 1000) on generation 4, floor on generation 3. The card's lines from
   `kalvane watch ontime --events` are sampled every 10 ms against it ("agreement"), and
   each turn of the server's second is matched with the line that shows the new second
   ("flip delay": negative is early).
2. Latency (--changes): pause and start alternate 1 to 2.5 s apart; the latency of each is
   the time from sending the request to the first line with the card's new tone.

Only 127.0.0.1 is contacted.
"""

import argparse
import json
import math
import os
import random
import statistics
import subprocess
import sys
import threading
import time
import urllib.request

DAY_MS = 86_400_000


def now_ms():
    return time.monotonic() * 1000.0


def api(port, path):
    with urllib.request.urlopen(f"http://127.0.0.1:{port}/api/{path}", timeout=5) as answer:
        return json.loads(answer.read().decode())["payload"]


def around_zero(ms):
    ms = math.fmod(ms, DAY_MS)
    if ms > DAY_MS / 2:
        ms -= DAY_MS
    elif ms <= -DAY_MS / 2:
        ms += DAY_MS
    return ms


def server_second(ms, rounded_up):
    """(negative, whole seconds) as the server's timer view shows `ms`."""
    whole = math.ceil(ms / 1000) if rounded_up else math.floor(ms / 1000)
    return (ms < 0, abs(whole))


def card_second(text):
    """(negative, whole seconds) of the card's "-h:mm:ss" / "mm:ss", or None for "--:--"."""
    negative = text.startswith("-")
    parts = text.lstrip("-").split(":")
    if not all(part.isdigit() for part in parts):
        return None
    seconds = 0
    for part in parts:
        seconds = seconds * 60 + int(part)
    return (negative, seconds)


def percentile(values, p):
    ordered = sorted(values)
    return ordered[max(0, min(len(ordered) - 1, math.ceil(p * len(ordered)) - 1))]


def summary(values):
    if not values:
        return "none"
    return (f"n={len(values)} median={statistics.median(values):.1f} "
            f"p95={percentile(values, 0.95):.1f} max={max(values):.1f} min={min(values):.1f} ms")


class Watch:
    """`kalvane watch ontime --events` with its lines, read as they come."""

    def __init__(self, binary, port, poll):
        env = dict(os.environ, KLV_SCAN_INTERFACES="en9=127.0.1.20/24",
                   KLV_STAGETIMER_CLOUD="http://127.0.0.1:9/v1")
        command = [binary, "--lang", "de", "watch", "ontime", "127.0.0.1", "--port", str(port),
                   "--events", "--ticks", "1000000"] + (["--poll"] if poll else [])
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE, text=True, env=env)
        self.lines = []
        self.lock = threading.Lock()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            try:
                entry = json.loads(line)
            except ValueError:
                continue
            with self.lock:
                self.lines.append(entry)

    def snapshot(self):
        with self.lock:
            return list(self.lines)

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)


def same_second(watch, port, seconds, rounded_up):
    timer = api(port, "poll")
    # The server's clock against ours: its `clock` is the wall clock in its time zone, which
    # differs from UTC by whole quarter hours.
    wall = time.time() * 1000.0
    mono = now_ms()
    zone = round(((timer["clock"] - wall) % DAY_MS) / 900_000) * 900_000
    finish = timer["timer"]["expectedFinish"]

    def server_ms(at):
        clock = (wall + (at - mono) + zone) % DAY_MS
        return around_zero(finish - clock)

    start = now_ms() + 3000
    time.sleep(seconds + 3.5)
    end = now_ms() - 500
    if api(port, "poll")["timer"]["expectedFinish"] != finish:
        print("the event's end moved during the measurement; the numbers are void")
    lines = [line for line in watch.snapshot() if "t" in line]

    samples = agreeing = 0
    index = 0
    at = start
    while at < end:
        while index + 1 < len(lines) and lines[index + 1]["t"] <= at:
            index += 1
        samples += 1
        if lines and lines[index]["t"] <= at and \
                card_second(lines[index]["time"]) == server_second(server_ms(at), rounded_up):
            agreeing += 1
        at += 10

    delays = []
    # The server's second turns where its remaining time crosses a whole second: rounded
    # up, the new second is that one; rounded down, the one below.
    first = server_ms(start)
    turn = math.floor(first / 1000) * 1000
    while start + (first - turn) <= end:
        at = start + (first - turn)
        shown = server_second(turn if rounded_up else turn - 1, rounded_up)
        hit = next((line["t"] for line in lines
                    if line["t"] >= at - 500 and card_second(line["time"]) == shown), None)
        if hit is not None:
            delays.append(hit - at)
        turn -= 1000
    print(f"same second: {agreeing}/{samples} samples = {100.0 * agreeing / max(1, samples):.2f} %"
          f" over {seconds} s")
    within = sum(1 for delay in delays if abs(delay) <= 30)
    print(f"flip delay: {summary(delays)}; within 30 ms: {within}/{len(delays)}")


def latency(watch, port, changes):
    delays = []
    for change in range(changes):
        time.sleep(random.uniform(1.0, 2.5))
        action, tone = ("pause", "paused") if change % 2 == 0 else ("start", "running")
        sent = now_ms()
        api(port, action)
        deadline = time.time() + 3
        hit = None
        while hit is None and time.time() < deadline:
            hit = next((line["t"] for line in watch.snapshot()
                        if line.get("t", 0) >= sent and line["tone"] == tone), None)
            time.sleep(0.005)
        if hit is None:
            print(f"change {change}: no {tone} line within 3 s")
        else:
            delays.append(hit - sent)
    print(f"latency ({changes} pause/start changes): {summary(delays)}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("binary")
    parser.add_argument("--port", type=int, default=4001)
    parser.add_argument("--link", choices=["socket", "poll"], default="socket")
    parser.add_argument("--seconds", type=int, default=300)
    parser.add_argument("--changes", type=int, default=60)
    parser.add_argument("--event", default="cd5m")
    parser.add_argument("--scripted", action="store_true",
                        help="serve a scripted Ontime with a known timeline on the port")
    options = parser.parse_args()

    scripted = None
    if options.scripted:
        sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
        from scripted_ontime import ScriptedOntime
        scripted = ScriptedOntime("127.0.0.1", options.port, 3_600_000)
    started = time.monotonic()

    version = str(api(options.port, "version"))
    rounded_up = not version.lstrip("v").startswith("3.")
    api(options.port, f"start/id/{options.event}")
    watch = Watch(options.binary, options.port, options.link == "poll")
    time.sleep(3)
    links = {line.get("link") for line in watch.snapshot()[-5:]}
    print(f"Ontime {version}, card link {sorted(map(str, links))}, asked for {options.link}")
    try:
        if options.seconds > 0:
            same_second(watch, options.port, options.seconds, rounded_up)
        if options.changes > 0:
            latency(watch, options.port, options.changes)
    finally:
        watch.stop()
    if scripted:
        minutes = (time.monotonic() - started) / 60
        asked = ", ".join(f"{path} {count / minutes:.1f}"
                          for path, count in sorted(scripted.requests.items())
                          if not path.startswith(("api/start", "api/pause")))
        print(f"requests per minute the server received from the app: {asked}")
        scripted.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
