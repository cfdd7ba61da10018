"""zivvis in real pipelines, driven through GStreamer's Python bindings.

    /usr/bin/python3 pipelines.py WORKDIR    (GST_PLUGIN_PATH at the build's plugin folder)

Each case makes its own WAVs in WORKDIR, runs its pipelines headless (fake
audio sinks, appsinks as fast as they go) and exits non-zero on the first failure.
"""
import hashlib
import math
import os
import random
import struct
import sys
import wave

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstApp", "1.0")
from gi.repository import Gst, GstApp  # noqa: E402

Gst.init(None)
WORK = sys.argv[1]
FRAME_BYTES = 640 * 480 * 4
TIMEOUT = 120 * Gst.SECOND


def fail(message):
    print(f"pipelines: FAIL: {message}", file=sys.stderr)
    sys.exit(1)


def write_wav(name, rate, channels, seconds, seed=7, start=0.0):
    """Music-like sound; `start` s into the same sound, so a cut file holds the same samples."""
    path = os.path.join(WORK, name)
    random.seed(seed)
    first = int(round(start * rate))
    out = bytearray()
    for i in range(first, first + int(rate * seconds)):
        t = i / rate
        random.seed(seed * 1000003 + i)
        burst = random.uniform(-0.8, 0.8) if (t * 4) % 1 < 0.08 else 0.0
        v = 0.3 * math.sin(2 * math.pi * 55 * t) * (0.5 + 0.5 * math.sin(math.pi * t)) + burst \
            + 0.1 * math.sin(2 * math.pi * (440 + 440 * seed % 3) * t)
        for c in range(channels):
            out += struct.pack("<h", int(max(-1.0, min(1.0, v * (0.8 if c % 2 else 1.0))) * 32767))
    with wave.open(path, "wb") as w:
        w.setnchannels(channels)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(bytes(out))
    return path


def pull_frames(sink, limit=None):
    """(pts, sha1) of every frame the appsink gets until EOS (or `limit` frames)."""
    frames = []
    while limit is None or len(frames) < limit:
        sample = sink.try_pull_sample(TIMEOUT)
        if sample is None:
            break
        buffer = sample.get_buffer()
        ok, info = buffer.map(Gst.MapFlags.READ)
        if not ok:
            fail("a frame could not be read")
        frames.append((buffer.pts, hashlib.sha1(info.data).hexdigest(), len(info.data)))
        buffer.unmap(info)
    return frames


def check_bus(pipeline, what):
    message = pipeline.get_bus().pop_filtered(Gst.MessageType.ERROR)
    if message is not None:
        error, debug = message.parse_error()
        fail(f"{what}: {error.message} ({debug})")


def frames_of(path, caps="video/x-raw,framerate=60/1"):
    """Every frame of a WAV through wavparse, audioconvert and zivvis."""
    pipeline = Gst.parse_launch(f"filesrc location={path} ! wavparse ! audioconvert ! zivvis ! {caps} ! "
                                "appsink name=out sync=false max-buffers=8")
    sink = pipeline.get_by_name("out")
    pipeline.set_state(Gst.State.PLAYING)
    frames = pull_frames(sink)
    check_bus(pipeline, path)
    pipeline.set_state(Gst.State.NULL)
    return frames


def playbin_shows_the_music():
    path = write_wav("play.wav", 44100, 2, 6)
    playbin = Gst.ElementFactory.make("playbin")
    playbin.set_property("uri", Gst.filename_to_uri(path))
    playbin.set_property("vis-plugin", Gst.ElementFactory.make("zivvis"))
    playbin.set_property("audio-sink", Gst.ElementFactory.make("fakesink"))
    sink = Gst.ElementFactory.make("appsink")
    sink.set_property("caps", Gst.Caps.from_string("video/x-raw,format=BGRx"))
    sink.set_property("sync", False)
    sink.set_property("max-buffers", 8)
    playbin.set_property("video-sink", sink)
    playbin.set_property("flags", playbin.get_property("flags") | 0x8)  # GST_PLAY_FLAG_VIS
    playbin.set_state(Gst.State.PLAYING)
    frames = pull_frames(sink, 400)
    check_bus(playbin, "playbin")
    caps = sink.get_property("caps")
    playbin.set_state(Gst.State.NULL)
    distinct = len({digest for _, digest, _ in frames})
    if len(frames) < 120 or distinct < 120:
        fail(f"playbin gave {len(frames)} frames, {distinct} different; 120 or more that change expected")
    if any(size != FRAME_BYTES for _, _, size in frames):
        fail("playbin's frames are not 640x480 BGRx")
    print(f"pipelines: playbin with vis-plugin=zivvis: {len(frames)} frames, {distinct} different ({caps})")


def seek_starts_the_show_afresh():
    path = write_wav("seek.wav", 44100, 2, 10)
    tail = write_wav("seek-tail.wav", 44100, 2, 5, start=5.0)
    expected = frames_of(tail)
    pipeline = Gst.parse_launch(f"filesrc location={path} ! wavparse ! audioconvert ! zivvis ! "
                                "video/x-raw,framerate=60/1 ! appsink name=out sync=false max-buffers=4")
    sink = pipeline.get_by_name("out")
    pipeline.set_state(Gst.State.PLAYING)
    before = pull_frames(sink, 90)
    if len(before) < 90:
        fail("no frames before the seek")
    if not pipeline.seek_simple(Gst.Format.TIME, Gst.SeekFlags.FLUSH | Gst.SeekFlags.ACCURATE, 5 * Gst.SECOND):
        fail("the seek was refused")
    after = pull_frames(sink)
    check_bus(pipeline, "seek")
    pipeline.set_state(Gst.State.NULL)
    if not after or after[0][0] != 5 * Gst.SECOND:
        fail(f"the first frame after the seek stands at {after[0][0] if after else None}, not 5 s")
    steps = {b[0] - a[0] for a, b in zip(after, after[1:])}
    if not steps <= {16666666, 16666667}:
        fail(f"frames after the seek are not 1/60 s apart: {sorted(steps)[:5]}")
    # Afresh: the same frames as a file that starts where the seek landed.
    got = [digest for _, digest, _ in after]
    want = [digest for _, digest, _ in expected]
    if got != want:
        first = next((i for i, (g, w) in enumerate(zip(got, want)) if g != w), min(len(got), len(want)))
        fail(f"after the seek, frame {first} differs from the cut file's ({len(got)} against {len(want)} frames)")
    print(f"pipelines: a seek to 5 s: {len(after)} frames, equal to those of the file cut there")


def format_change_between_files():
    first = write_wav("first.wav", 44100, 2, 3, seed=3)
    second = write_wav("second.wav", 22050, 1, 3, seed=5)
    expected = frames_of(second)
    pipeline = Gst.parse_launch(
        "concat name=c ! audioconvert ! zivvis ! video/x-raw,framerate=60/1 ! appsink name=out sync=false max-buffers=8 "
        f"filesrc location={first} ! wavparse ! c. filesrc location={second} ! wavparse ! c.")
    sink = pipeline.get_by_name("out")
    pipeline.set_state(Gst.State.PLAYING)
    frames = pull_frames(sink)
    check_bus(pipeline, "two files")
    pipeline.set_state(Gst.State.NULL)
    # 3 s at 60 fps each: frames 0..180 of the first, then the second's own from its start.
    if len(frames) != 181 + len(expected):
        fail(f"two files of 3 s gave {len(frames)} frames, not {181 + len(expected)}")
    if [digest for _, digest, _ in frames[181:]] != [digest for _, digest, _ in expected]:
        fail("the second file's frames are not its own frames from the start")
    print(f"pipelines: 44.1 kHz stereo then 22.05 kHz mono: {len(frames)} frames, the second file's afresh")


def one_show_per_process():
    a = Gst.parse_launch("audiotestsrc is-live=false ! zivvis name=a ! fakesink")
    b = Gst.parse_launch("audiotestsrc is-live=false ! zivvis name=b ! fakesink")
    if a.set_state(Gst.State.PAUSED) == Gst.StateChangeReturn.FAILURE:
        fail("the first zivvis did not start")
    a.get_state(TIMEOUT)
    if b.set_state(Gst.State.PAUSED) != Gst.StateChangeReturn.FAILURE:
        fail("a second zivvis in the same process started")
    message = b.get_bus().pop_filtered(Gst.MessageType.ERROR)
    if message is None or not message.parse_error()[0].matches(Gst.ResourceError.quark(), Gst.ResourceError.BUSY):
        fail("the second zivvis posted no resource-busy error")
    b.set_state(Gst.State.NULL)
    a.set_state(Gst.State.NULL)
    # Once the first has stopped, the show is free again.
    if b.set_state(Gst.State.PAUSED) == Gst.StateChangeReturn.FAILURE:
        fail("the show stayed taken after its element stopped")
    b.get_state(TIMEOUT)
    b.set_state(Gst.State.NULL)
    print("pipelines: a second zivvis fails with a resource-busy error; the show is free once the first stops")


def bad_caps_refused():
    element = Gst.ElementFactory.make("zivvis")
    pad = element.get_static_pad("sink")
    base = "audio/x-raw,format=S16LE,layout=interleaved"
    for caps, accepted in [(f"{base},rate=0,channels=2", False), (f"{base},rate=44100,channels=0", False),
                           (f"{base},rate=999,channels=2", False), (f"{base},rate=44100,channels=65", False),
                           (f"{base},rate=1000,channels=64", True), (f"{base},rate=384000,channels=1", True),
                           ("audio/x-raw,format=F32LE,layout=interleaved,rate=48000,channels=6", True),
                           ("audio/x-raw,format=S16LE,layout=non-interleaved,rate=48000,channels=2", False)]:
        if pad.query_accept_caps(Gst.Caps.from_string(caps)) != accepted:
            fail(f"caps {caps} {'refused' if accepted else 'accepted'}")
    # Pushed anyway, a zero-channel format stops the stream with an error, not a crash.
    for bad in ("rate=0,channels=2", "rate=44100,channels=0"):
        pipeline = Gst.parse_launch(f"appsrc name=src format=time caps={base},{bad} ! zivvis ! fakesink")
        src = pipeline.get_by_name("src")
        pipeline.set_state(Gst.State.PLAYING)
        buffer = Gst.Buffer.new_wrapped(bytes(4096))
        buffer.pts = 0
        result = src.emit("push-buffer", buffer)
        src.emit("end-of-stream")
        message = pipeline.get_bus().timed_pop_filtered(TIMEOUT, Gst.MessageType.ERROR | Gst.MessageType.EOS)
        pipeline.set_state(Gst.State.NULL)
        if message is None or message.type != Gst.MessageType.ERROR:
            fail(f"audio with {bad} did not end in an error (push: {result})")
    print("pipelines: zero rates and channels, and anything outside 1000..384000 Hz and 1..64 channels, refused")


def listed_among_visualisers():
    """Players list the registry's elements of the class "Visualization" (Parole's setting does): zivvis is one."""
    listed = sorted(f.get_name() for f in Gst.Registry.get().get_feature_list(Gst.ElementFactory)
                    if "Visualization" in (f.get_metadata("klass") or "").split("/"))
    if "zivvis" not in listed:
        fail(f"zivvis is not among the visualisers: {listed}")
    print(f"pipelines: the visualisers a player lists: {', '.join(listed)}")


CASES = {f.__name__: f for f in (listed_among_visualisers, playbin_shows_the_music, seek_starts_the_show_afresh, format_change_between_files,
                                 one_show_per_process, bad_caps_refused)}
for name in sys.argv[2:] or CASES:
    CASES[name]()
print("pipelines: PASS")
