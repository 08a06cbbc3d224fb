#!/usr/bin/env python3
"""A scripted Ontime 4.11 server on loopback whose timeline is known to the second.

It serves what the app reads of Ontime — `/api/version`, `/api/poll` and the socket at `/ws`
(the whole state on connect, then patches of the changed keys) — and the three actions the
benchmarks change it with: `/api/start/id/<id>`, `/api/pause`, `/api/start`. Its one event
counts down on the wall clock: `expectedFinish - clock` is the remaining time at any moment,
and the pushes follow Ontime's own cadence (a loop every 32 ms; the timer when its rounded-up
second turns, the clock when its second turns). The rest of the state is a recorded answer of
a real Ontime 4.11 server.

    bench/ontime/scripted_ontime.py [--host 127.0.0.1] [--port 4001] [--minutes 60] [--start]

serves until interrupted or terminated and then prints the requests it received per path. Benchmarks import
`ScriptedOntime`; its `hostility` names what every new socket does after its greeting
("flood", "trickle", "100 MB frame", "garbage", "closed mid-frame") while `hostile_now()` holds;
`drop_sockets()` makes the connected clients come back.
Only loopback addresses are accepted.
"""

import argparse
import base64
import collections
import hashlib
import ipaddress
import json
import math
import os
import signal
import socket
import struct
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

DAY_MS = 86_400_000
SAMPLE = os.path.join(os.path.dirname(__file__), "..", "..", "tests", "ontime", "samples",
                      "v4.11.0_api_poll_playing.json")
WEBSOCKET_GUID = b"258EAFA5-E914-47DA-95CA-C5AB0DC85B11"


def frame(payload, opcode=0x1):
    """One unmasked frame, as a server sends it."""
    size = len(payload)
    if size < 126:
        head = struct.pack("!BB", 0x80 | opcode, size)
    elif size < 1 << 16:
        head = struct.pack("!BBH", 0x80 | opcode, 126, size)
    else:
        head = struct.pack("!BBQ", 0x80 | opcode, 127, size)
    return head + payload


def read_exactly(stream, size):
    data = b""
    while len(data) < size:
        chunk = stream.recv(size - len(data))
        if not chunk:
            raise ConnectionError("closed")
        data += chunk
    return data


def read_frame(stream):
    """(opcode, payload) of one masked client frame."""
    first, second = read_exactly(stream, 2)
    size = second & 0x7F
    if size == 126:
        size = struct.unpack("!H", read_exactly(stream, 2))[0]
    elif size == 127:
        size = struct.unpack("!Q", read_exactly(stream, 8))[0]
    if size > 1 << 20:
        raise ConnectionError("client frame too large")
    mask = read_exactly(stream, 4) if second & 0x80 else b"\0\0\0\0"
    payload = bytes(b ^ mask[i % 4] for i, b in enumerate(read_exactly(stream, size)))
    return first & 0x0F, payload


class Connection:
    def __init__(self, stream):
        self.stream = stream
        self.lock = threading.Lock()
        self.open = True

    def send(self, data):
        with self.lock:
            if not self.open:
                return
            try:
                self.stream.sendall(data)
            except OSError:
                self.open = False


class ScriptedOntime:
    def __init__(self, host="127.0.0.1", port=0, duration_ms=3_600_000):
        if not ipaddress.ip_address(host).is_loopback:
            raise ValueError("loopback only")
        with open(SAMPLE) as sample:
            self.store = json.load(sample)["payload"]
        self.duration = duration_ms
        self.lock = threading.Lock()
        self.connections = []
        self.requests = collections.Counter()
        self.hostility = None
        self.hostile_now = lambda: False
        self.finish = None  # expectedFinish while playing, on the server's clock
        self.remaining = duration_ms  # while paused or stopped
        self.sent_second = None
        self.sent_clock_second = None
        self._set_timer(playback="stop")
        self.http = ThreadingHTTPServer((host, port), self._handler())
        self.http.daemon_threads = True
        self.port = self.http.server_port
        self.running = True
        threading.Thread(target=self.http.serve_forever, daemon=True).start()
        threading.Thread(target=self._loop, daemon=True).start()

    @staticmethod
    def clock(at=None):
        """Milliseconds since midnight UTC: the server runs in UTC."""
        return ((time.time() if at is None else at) * 1000.0) % DAY_MS

    def current(self, clock):
        if self.finish is None:
            return self.remaining
        ahead = (self.finish - clock) % DAY_MS
        return ahead - DAY_MS if ahead > DAY_MS / 2 else ahead

    def _set_timer(self, playback):
        clock = self.clock()
        current = self.current(clock)
        self.store["clock"] = clock
        self.store["timer"].update({
            "current": current, "duration": self.duration, "playback": playback,
            "elapsed": self.duration - current, "addedTime": 0, "secondaryTimer": None,
            "phase": "overtime" if current < 0 else ("none" if playback == "stop" else "default"),
            "expectedFinish": self.finish})

    def set_title(self, title):
        with self.lock:
            self.store["eventNow"] = dict(self.store["eventNow"], title=title)
            self._push({"eventNow": self.store["eventNow"]})

    def act(self, action):
        with self.lock:
            clock = self.clock()
            if action == "start/id":
                self.remaining = self.duration
                self.finish = (clock + self.duration) % DAY_MS
            elif action == "start" and self.finish is None:
                self.finish = (clock + self.remaining) % DAY_MS
            elif action == "pause" and self.finish is not None:
                self.remaining = self.current(clock)
                self.finish = None
            self._set_timer("play" if self.finish is not None else "pause")
            self.sent_second = math.ceil(self.store["timer"]["current"] / 1000)
            self._push({"timer": self.store["timer"], "clock": self.store["clock"]})

    def _push(self, patch):
        message = frame(json.dumps({"tag": "runtime-data", "payload": patch}).encode())
        for connection in list(self.connections):
            connection.send(message)

    def _loop(self):
        while self.running:
            time.sleep(0.032)
            with self.lock:
                clock = self.clock()
                patch = {}
                if self.finish is not None:
                    second = math.ceil(self.current(clock) / 1000)
                    if second != self.sent_second:
                        self.sent_second = second
                        self._set_timer("play")
                        patch["timer"] = self.store["timer"]
                if patch or math.floor(clock / 1000) != self.sent_clock_second:
                    self.sent_clock_second = math.floor(clock / 1000)
                    self.store["clock"] = clock
                    patch["clock"] = clock
                    self._push(patch)

    def _serve_socket(self, stream, key):
        accept = base64.b64encode(hashlib.sha1(key.encode() + WEBSOCKET_GUID).digest())
        stream.sendall(b"HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\n"
                       b"Connection: Upgrade\r\nSec-WebSocket-Accept: " + accept + b"\r\n\r\n")
        connection = Connection(stream)
        with self.lock:
            connection.send(frame(json.dumps({"tag": "runtime-data",
                                              "payload": self.store}).encode()))
            hostility = self.hostility if self.hostile_now() else None
            if not hostility:
                self.connections.append(connection)
        if hostility:
            misbehave(hostility, connection, self.hostile_now)
            return
        try:
            while True:
                opcode, payload = read_frame(stream)
                if opcode == 0x9:
                    connection.send(frame(payload, 0xA))
                elif opcode == 0x8:
                    connection.send(frame(payload[:2], 0x8))
                    break
        except (ConnectionError, OSError, ValueError):
            pass
        finally:
            with self.lock:
                connection.open = False
                if connection in self.connections:
                    self.connections.remove(connection)

    def _handler(self):
        server = self

        class Handler(BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def log_message(self, *args):
                pass

            def answer(self, payload, status=200):
                body = json.dumps({"payload": payload}).encode()
                self.send_response(status)
                self.send_header("Content-Type", "application/json")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            def do_GET(self):
                path = self.path.split("?")[0].strip("/")
                server.requests[path.split("/id/")[0]] += 1
                if path == "ws" and self.headers.get("Upgrade", "").lower() == "websocket":
                    self.close_connection = True
                    server._serve_socket(self.connection, self.headers["Sec-WebSocket-Key"])
                elif path == "api/version":
                    self.answer("4.11.0")
                elif path == "api/poll":
                    with server.lock:
                        self.answer(server.store, 202)
                elif path.startswith("api/start/id/"):
                    server.act("start/id")
                    self.answer("success", 202)
                elif path in ("api/start", "api/pause"):
                    server.act(path[4:])
                    self.answer("success", 202)
                else:
                    self.answer("not found", 404)

        return Handler

    def drop_sockets(self):
        """Ends every open socket, as a restarting server does."""
        with self.lock:
            for connection in self.connections:
                connection.open = False
                try:
                    connection.stream.shutdown(socket.SHUT_RDWR)
                except OSError:
                    pass

    def close(self):
        self.running = False
        self.http.shutdown()
        self.http.server_close()


def misbehave(kind, connection, hostile_now):
    """What a hostile socket does after its greeting; the connection ends with it."""
    state = frame(b'{"tag":"runtime-data","payload":{"eventNow":{"title":"Hostile"}}}')
    if kind == "flood":
        while hostile_now() and connection.open:
            connection.send(state * 1000)
    elif kind == "trickle":
        for byte in state:
            if not (hostile_now() and connection.open):
                break
            connection.send(bytes([byte]))
            time.sleep(1.0)
    elif kind == "100 MB frame":
        connection.send(struct.pack("!BBQ", 0x81, 127, 100 << 20))
        chunk = b"x" * (1 << 16)
        for _ in range(1600):
            if not connection.open:
                break
            connection.send(chunk)
    elif kind == "garbage":
        connection.send(b"\xff\xfe\x7f garbage \x00\x01" * 1000)
    elif kind == "closed mid-frame":
        connection.send(state[: len(state) // 2])
    with connection.lock:
        connection.open = False
        try:
            connection.stream.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=4001)
    parser.add_argument("--minutes", type=float, default=60)
    parser.add_argument("--start", action="store_true", help="start the event at once")
    options = parser.parse_args()
    server = ScriptedOntime(options.host, options.port, int(options.minutes * 60_000))
    if options.start:
        server.act("start/id")
    print(f"scripted Ontime 4.11.0 on {options.host}:{server.port}", flush=True)
    started = time.monotonic()
    # A benchmark ends it with SIGTERM: a background job of a script ignores SIGINT.
    signal.signal(signal.SIGTERM, signal.default_int_handler)
    try:
        while True:
            time.sleep(1)
    except KeyboardInterrupt:
        pass
    minutes = (time.monotonic() - started) / 60
    for path, count in sorted(server.requests.items()):
        print(f"{path}: {count} ({count / minutes:.1f} per minute)")
    server.close()


if __name__ == "__main__":
    main()
