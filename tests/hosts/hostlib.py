"""What the host tests share: the plug-in's identity and parameters, the test material, lv2proc,
headless Ardour sessions, and the state encodings the hosts store."""
import base64
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

import numpy as np
import soundfile as sf

HERE = os.path.dirname(os.path.abspath(__file__))
LV2_URI = "https://vennicsound.com/plugins/tollovane"
VST3_UID = "ABCDEF019182FAEB566E6E63546C766E"
RATE = 48000
# The material starts with silence: Ardour fades the region in, and a host runs the plug-in on
# silence before playback starts, long enough for the automatic makeup to reach its target (a
# 140 ms glide) while the renderer starts from prepare.
SILENCE_SECONDS = 2.0

# id: (host-visible name, start, end, skew)
PARAMETERS = {
    "detector": ("Detector", 0, 1, 1.0),
    "sync": ("Release Mode", 0, 1, 1.0),
    "wide": ("Wide", 0, 100, 1.0),
    "threshold": ("Threshold", -36, 10, 0.5),
    "attack": ("Attack", 0.05, 120, 0.22),
    "release": ("Release", 0, 7, 1.0),
    "ratio": ("Ratio", 0, 10, 1.0),
    "mix": ("Mix", 0, 100, 1.0),
    "makeup": ("Makeup", -24, 24, 1.0),
    "harm": ("Harm", 0, 100, 1.0),
    "autoMakeup": ("Auto Makeup", 0, 1, 1.0),
    "sidechainHp": ("SC HP", 0, 300, 1.0),
}

FACTORY_PRESETS = ["Drum Bus Para", "Drum Room", "Guitar Clamp", "Harmonics + Width", "MIX FINISHER",
                   "Mix Glue + Excite", "Stereo Mix Bus", "Vocal Group", "Vocals Up Front"]


def run(command, env=None, timeout=900):
    """Runs a command and returns what it printed on both streams; a failure ends the test."""
    result = subprocess.run(command, env=env, capture_output=True, text=True, timeout=timeout)
    if result.returncode != 0:
        sys.exit(f"failed ({result.returncode}): {' '.join(command)}\n{result.stdout}\n{result.stderr}")
    return result.stdout + result.stderr


# Headless Ardour 7.3 on a loaded machine now and then hangs in its butler thread while starting an
# export, or aborts on a double free while tearing the session down; neither shows any of the
# plug-in's code on its stacks. Such a run is repeated, and reported, rather than failing the test.
ARDOUR_ATTEMPTS = 3
ARDOUR_TIMEOUT = 120


def run_ardour(command, env, before_attempt=None):
    for attempt in range(1, ARDOUR_ATTEMPTS + 1):
        if before_attempt:
            before_attempt()
        try:
            result = subprocess.run(command, env=env, capture_output=True, text=True, timeout=ARDOUR_TIMEOUT)
        except subprocess.TimeoutExpired:
            print(f"attempt {attempt}: {os.path.basename(command[0])} hung for {ARDOUR_TIMEOUT} s")
            continue
        if result.returncode == 0:
            return result.stdout + result.stderr
        print(f"attempt {attempt}: {os.path.basename(command[0])} ended with {result.returncode}: "
              f"{result.stderr.strip()[-300:]}")
    sys.exit(f"{' '.join(command)} failed {ARDOUR_ATTEMPTS} times")


def preset_values(source_dir, name):
    document = ElementTree.parse(os.path.join(source_dir, "source", "presets", name + ".tollovane"))
    return {child.get("id"): float(child.get("value")) for child in document.getroot() if child.tag == "PARAM"}


def normalised(parameter_id, value):
    _, start, end, skew = PARAMETERS[parameter_id]
    return ((value - start) / (end - start)) ** skew


def renderer(build_dir):
    return os.path.join(build_dir, "tools", "render", "tollovane-render")


def lv2_path(build_dir):
    return os.path.join(build_dir, "Tollovane_artefacts", "Release", "LV2")


def vst3_bundle(build_dir):
    return os.path.join(build_dir, "Tollovane_artefacts", "Release", "VST3", "Tollovane.vst3")


# ---------------------------------------------------------------------------------------------
# Material and tools, made once per test run by the prepare step.

def prepare(work):
    os.makedirs(work, exist_ok=True)
    run(["gcc", "-std=c11", "-O2", "-o", lv2proc(work), os.path.join(HERE, "tools", "lv2proc.c"),
         *subprocess.run(["pkg-config", "--cflags", "--libs", "lilv-0", "sndfile"], capture_output=True,
                         text=True, check=True).stdout.split(), "-lm"])
    drums = os.path.join(work, "drums.wav")
    run(["/usr/bin/python3", os.path.join(HERE, "tools", "make_drumloop.py"), drums])
    run(["sh", os.path.join(HERE, "tools", "render_music.sh"), work])
    silence = os.path.join(work, "silence.wav")
    run(["sox", "-n", "-r", str(RATE), "-c", "2", "-b", "24", silence, "trim", "0", str(SILENCE_SECONDS)])
    for name, source in (("drums", drums), ("music", os.path.join(work, "music_48k_24b.wav"))):
        run(["sox", silence, source, "-e", "floating-point", "-b", "32", material(work, name)])


def lv2proc(work):
    return os.path.join(work, "lv2proc")


def material(work, name):
    """The drum loop or the music piece after half a second of silence, 32-bit float."""
    return os.path.join(work, name + "-material.wav")


def excerpt(work, name, seconds):
    path = os.path.join(work, f"{name}-{seconds:g}s.wav")
    if not os.path.exists(path):
        data, rate = sf.read(material(work, name), always_2d=True, dtype="float32")
        sf.write(path, data[: int((SILENCE_SECONDS + seconds) * rate)], rate, subtype="FLOAT")
    return path


# ---------------------------------------------------------------------------------------------
# Headless Ardour 7 sessions.

def ardour_environment(build_dir, plugin_format, values, extra=None):
    env = dict(os.environ, LV2_PATH=lv2_path(build_dir), VST3_PATH=os.path.dirname(vst3_bundle(build_dir)))
    if plugin_format == "vst3":
        scan = dict(env, LD_LIBRARY_PATH="/usr/lib/ardour7")
        run(["/usr/lib/ardour7/ardour-vst3-scanner", "-f", vst3_bundle(build_dir)], scan)
        env["PLUGIN_TYPE"] = "VST3"
        env["PLUGIN_URI"] = VST3_UID
        # VST3 parameters are set by name, normalised to 0..1
        env["PLUGIN_PARAMS"] = ";".join(f"{PARAMETERS[k][0]}={normalised(k, v):.9f}" for k, v in values.items())
    else:
        env["PLUGIN_URI"] = LV2_URI
        env["PLUGIN_PARAMS"] = ";".join(f"{k}={v}" for k, v in values.items())
    env.update(extra or {})
    return env


def create_session(env, work, record_seconds):
    """Builds a session with one stereo track holding the plug-in and a recorded take; returns its folder."""
    env["SESSION_NAME"] = "rt"
    # The dummy backend records in real time; leave room for a busy machine.
    env["RECORD_SECONDS"] = str(int(record_seconds))

    def fresh_folder():
        env["SESSION_DIR"] = os.path.join(tempfile.mkdtemp(prefix="ardour-", dir=work), "rt")

    run_ardour(["ardour7-lua", os.path.join(HERE, "ardour_session.lua")], env, fresh_folder)
    return env["SESSION_DIR"]


def session_with_material(env, source, work):
    """A session whose recorded take has been swapped for the material; returns its folder."""
    length = sf.info(source).frames
    session = create_session(env, work, 2 * length / RATE + 4)

    audio = os.path.join(session, "interchange", "rt", "audiofiles")
    takes = sorted(os.listdir(audio))
    left = os.path.join(audio, next(t for t in takes if t.endswith("%L.wav")))
    right = os.path.join(audio, next(t for t in takes if t.endswith("%R.wav")))
    recorded = sf.info(left).frames
    if recorded < length:
        sys.exit(f"Ardour recorded {recorded} samples, fewer than the {length} of the material")

    # Keep the take's length: the region in the session still covers all of it.
    data, _ = sf.read(source, always_2d=True, dtype="float32")
    padded = np.zeros((recorded, 2), dtype=np.float32)
    padded[:length] = data
    sf.write(left, padded[:, 0], RATE, subtype="FLOAT")
    sf.write(right, padded[:, 1], RATE, subtype="FLOAT")
    return session


def export_session(env, session, length, out):
    exported = out + ".full.wav"
    run_ardour(["ardour7-export", "-b", "24", "-o", exported, session, "rt"], env)
    full, _ = sf.read(exported, always_2d=True, dtype="float64")
    sf.write(out, full[:length], RATE, subtype="FLOAT")
    return out


# Ardour 7.3 takes in a VST3 plug-in's latency, which changes when the plug-in is prepared, only when
# its main loop gets round to the plug-in's restart request, and then deactivates and reactivates the
# plug-in. On a loaded machine that was seen to happen seconds after the export had started, and the
# whole export came out a few samples early. A shifted export is repeated, and reported; a plug-in
# that reports a wrong latency stays shifted every time.
def export_and_compare(env, session, source, out, reference, max_peak, max_rms_db, label="output"):
    """Exports the session, as long as the source, and returns the failures of its comparison with
    the reference."""
    length = sf.info(source).frames
    for attempt in range(1, ARDOUR_ATTEMPTS + 1):
        export_session(env, session, length, out)
        failures = compare(reference, out, max_peak, max_rms_db, label)
        if attempt == ARDOUR_ATTEMPTS or not any(f.startswith(SHIFTED) for f in failures):
            return failures
        print(f"attempt {attempt}: the export is shifted; exporting again")


SHIFTED = "output is shifted"


def compare(reference_path, other_path, max_peak, max_rms_db, label="output"):
    """Failures of other against the reference: any shift, and differences above the tolerance
    (max |difference|, and the difference's RMS relative to the signal in dB; None: unchecked)."""
    reference, _ = sf.read(reference_path, always_2d=True, dtype="float64")
    other, _ = sf.read(other_path, always_2d=True, dtype="float64")
    length = min(len(reference), len(other))
    reference, other = reference[:length], other[:length]

    # Both are latency-compensated: the best alignment must be no shift at all.
    mono_reference, mono_other = reference.mean(axis=1), other.mean(axis=1)
    lags = range(-8, 9)
    scores = [np.dot(mono_reference[8:-8], np.roll(mono_other, lag)[8:-8]) for lag in lags]
    best_lag = lags[int(np.argmax(scores))]

    difference = np.abs(reference - other)
    peak = difference.max()
    signal_rms = np.sqrt((reference ** 2).mean())
    difference_rms_db = 20 * np.log10(max(np.sqrt((difference ** 2).mean()), 1e-30) / max(signal_rms, 1e-30))
    print(f"{label}: {length} samples, lag {best_lag}, max |difference| {peak:.3g}, "
          f"difference {difference_rms_db:.1f} dB below the signal")

    failures = []
    if best_lag != 0:
        failures.append(f"{SHIFTED} by {best_lag} samples")
    if peak > max_peak:
        failures.append(f"max |difference| {peak:.3g} exceeds {max_peak:.3g}")
    if max_rms_db is not None and difference_rms_db > max_rms_db:
        failures.append(f"difference {difference_rms_db:.1f} dB is above {max_rms_db} dB")
    return failures


# ---------------------------------------------------------------------------------------------
# The plug-in's state as the hosts store it: JUCE's blob ("VC2!", length, XML, zero byte), kept by
# the LV2 wrapper in JUCE's own base-64 text and by the VST3 wrapper followed by private data.

JUCE_BASE64 = ".ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+"


def juce_base64_decode(text):
    size_text, _, encoded = text.partition(".")
    size = int(size_text)
    bits = 0
    for i, character in enumerate(encoded):
        bits |= JUCE_BASE64.index(character) << (6 * i)
    return bits.to_bytes((6 * len(encoded) + 7) // 8, "little")[:size]


def juce_base64_encode(data):
    bits = int.from_bytes(data, "little")
    count = (len(data) * 8 + 5) // 6
    return str(len(data)) + "." + "".join(JUCE_BASE64[(bits >> (6 * i)) & 63] for i in range(count))


def blob_xml(blob):
    assert blob[:4] == b"VC2!", "not a state blob"
    length = int.from_bytes(blob[4:8], "little")
    return blob[8:8 + length].decode("utf-8"), 8 + length + 1


def make_blob(xml_text):
    data = xml_text.encode("utf-8")
    return b"VC2!" + len(data).to_bytes(4, "little") + data + b"\0"


def standard_base64_decode(text):
    return base64.b64decode(text)


def standard_base64_encode(data):
    return base64.b64encode(data).decode("ascii")


# Ardour keeps a VST3 plug-in's state as a VST3 preset: a header with the class id and the offset of
# a chunk list, the component's and the controller's data, and the list of (id, offset, size).

def vst3_preset_chunks(data):
    assert data[:4] == b"VST3", "not a VST3 preset"
    list_offset = int.from_bytes(data[40:48], "little")
    assert data[list_offset:list_offset + 4] == b"List", "no chunk list"
    count = int.from_bytes(data[list_offset + 4:list_offset + 8], "little")
    chunks = []
    for i in range(count):
        entry = data[list_offset + 8 + 20 * i:list_offset + 28 + 20 * i]
        offset, size = int.from_bytes(entry[4:12], "little"), int.from_bytes(entry[12:20], "little")
        chunks.append((entry[:4], data[offset:offset + size]))
    return data[:40], chunks


def make_vst3_preset(header, chunks):
    body = bytearray(header + bytes(8))
    entries = bytearray()
    for chunk_id, payload in chunks:
        entries += chunk_id + len(body).to_bytes(8, "little") + len(payload).to_bytes(8, "little")
        body += payload
    list_offset = len(body)
    body[40:48] = list_offset.to_bytes(8, "little")
    return bytes(body + b"List" + len(chunks).to_bytes(4, "little") + entries)
