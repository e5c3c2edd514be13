#!/usr/bin/python3
"""When the first sound leaves a player, and how many tracks it gets through.

The players under test write their audio to a named pipe through a clocked
sink ("filesink location=FIFO sync=true buffer-mode=unbuffered" for GStreamer
players), so a sample arrives here at the moment a sound card would get it.
A thread reads the pipe (and opens it again whenever a player's pipeline
closes it) and notes the arrival time of every chunk.

    first_audio.py exec FIFO -- COMMAND...        seconds from exec to first sound
    first_audio.py call FIFO URI [URI...]         seconds from an MPRIS OpenUri to first sound,
                                                  per URI, to a player that runs already
    first_audio.py tracks FIFO SECONDS            tones starting within SECONDS from now, and the
                                                  milliseconds lost per change (3-second tones)
"""
import os
import struct
import sys
import threading
import time

RATE = 44100
FRAME = 4  # s16le, two channels
LOUD = 2000  # the test tones peak near 16000; silence stays at 0


def loud(data):
    samples = struct.unpack(f"<{len(data) // 2}h", data[: len(data) - len(data) % 2])
    return any(s > LOUD or s < -LOUD for s in samples)


class PipeReader:
    """Reads a named pipe for as long as the object lives, reopening it after each writer."""

    def __init__(self, path):
        self.path = path
        self.lock = threading.Lock()
        self.since = None
        self.first = None
        self.data = []
        self.keeping = False
        threading.Thread(target=self._run, daemon=True).start()

    def _run(self):
        while True:
            fd = os.open(self.path, os.O_RDONLY)  # blocks until a writer opens it
            while True:
                chunk = os.read(fd, 65536)
                now = time.monotonic()
                if not chunk:
                    break
                with self.lock:
                    if self.keeping:
                        self.data.append((now, chunk))
                    if self.since is not None and self.first is None and loud(chunk):
                        self.first = now
            os.close(fd)

    def arm(self):
        with self.lock:
            self.first = None
            self.since = time.monotonic()
            return self.since

    def wait_first(self, timeout=10.0):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            with self.lock:
                if self.first is not None:
                    return self.first - self.since
            time.sleep(0.0005)
        return None

    def keep(self, on):
        """Starts keeping what arrives, or stops and returns it as (arrival time, bytes) chunks."""
        with self.lock:
            self.keeping = on
            kept, self.data = self.data, []
            return kept


def onsets(chunks, quiet_ms=20):
    """Arrival times of tones that start after at least quiet_ms of quiet, in 10 ms blocks."""
    block = RATE // 100 * FRAME
    quiet_blocks = quiet_ms // 10
    times, quiet = [], quiet_blocks
    data = b"".join(c for _, c in chunks)
    ends, total = [], 0  # where each chunk ends in data
    for _, c in chunks:
        total += len(c)
        ends.append(total)
    chunk = 0
    for at in range(0, len(data) - block + 1, block):
        while ends[chunk] <= at:
            chunk += 1
        if loud(data[at : at + block]):
            if quiet >= quiet_blocks:
                times.append(chunks[chunk][0])
            quiet = 0
        else:
            quiet += 1
    return times


def show(took):
    print("none" if took is None else f"{took:.4f}", flush=True)


def main():
    args = sys.argv[1:]
    if len(args) < 3:
        sys.exit(__doc__)
    mode, fifo = args[0], args[1]
    reader = PipeReader(fifo)
    if mode == "exec" and args[2] == "--":
        import subprocess

        reader.arm()
        proc = subprocess.Popen(args[3:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        show(reader.wait_first())
        proc.terminate()
        proc.wait()
    elif mode == "call":
        import dbus

        player = dbus.SessionBus().get_object("org.mpris.MediaPlayer2.kalvuno", "/org/mpris/MediaPlayer2")
        for uri in args[2:]:
            player.Stop(dbus_interface="org.mpris.MediaPlayer2.Player")
            time.sleep(1.0)
            reader.arm()
            player.OpenUri(uri, dbus_interface="org.mpris.MediaPlayer2.Player")
            show(reader.wait_first())
        time.sleep(0.5)
    elif mode == "tracks":
        reader.keep(True)
        time.sleep(float(args[2]))
        times = onsets(reader.keep(False))
        # Each tone lasts 3 s from the start of one to the start of the next when no time is lost.
        lost = (times[-1] - times[0]) / (len(times) - 1) - 3.0 if len(times) > 1 else float("nan")
        print(f"{len(times)} {lost * 1000:.1f}", flush=True)
    else:
        sys.exit(__doc__)
    os._exit(0)  # the reader thread may sit in open() or read()


if __name__ == "__main__":
    main()
