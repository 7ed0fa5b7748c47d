#!/usr/bin/python3
"""Renders one case through tollovane-render and through real hosts, and checks that they agree.

Hosts: lv2proc (an offline LV2 host on lilv) with fixed 512-sample and random block sizes, and a
headless Ardour 7 session with the LV2 or the VST3 bundle. Every output is aligned by the latency
the host compensated and compared with the renderer's.

usage: host_equivalence.py --prepare --build-dir DIR --source-dir DIR --tools DIR --work DIR
       host_equivalence.py --case NAME --host HOST --build-dir DIR --source-dir DIR --tools DIR --work DIR
HOST: lv2proc-512, lv2proc-random, ardour-lv2, ardour-vst3
"""
import argparse
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

import numpy as np
import soundfile as sf

LV2_URI = "https://vennicsound.com/plugins/tollovane"
VST3_UID = "ABCDEF019182FAEB566E6E63546C766E"
RATE = 48000
SILENCE_SECONDS = 0.5   # Ardour fades the region in: the material starts with silence
MATERIAL_SECONDS = 8.0

# id: (host-visible name, start, end, skew, kind) -- kind "float", "choice" or "bool"
PARAMETERS = {
    "detector": ("Detector", 0, 1, 1.0, "choice"),
    "sync": ("Release Mode", 0, 1, 1.0, "choice"),
    "wide": ("Wide", 0, 100, 1.0, "float"),
    "threshold": ("Threshold", -36, 10, 0.5, "float"),
    "attack": ("Attack", 0.05, 120, 0.22, "float"),
    "release": ("Release", 0, 7, 1.0, "choice"),
    "ratio": ("Ratio", 0, 10, 1.0, "choice"),
    "mix": ("Mix", 0, 100, 1.0, "float"),
    "makeup": ("Makeup", -24, 24, 1.0, "float"),
    "harm": ("Harm", 0, 100, 1.0, "float"),
    "autoMakeup": ("Auto Makeup", 0, 1, 1.0, "bool"),
    "sidechainHp": ("SC HP", 0, 300, 1.0, "float"),
}

CASES = {
    # a factory preset with automatic makeup on, and one with the "ALL IN" engine
    "mix-finisher": {"preset": "MIX FINISHER"},
    "drum-room": {"preset": "Drum Room"},
    "colour-and-width": {"values": {"threshold": -24, "ratio": 9, "harm": 60, "wide": 70, "mix": 80,
                                    "sidechainHp": 120, "detector": 1}},
    "bypass": {"values": {"threshold": -30, "ratio": 10}, "bypass": True},
}

# Fixed 512-sample blocks split exactly as the renderer does: the result must be identical. Other
# block sizes change where the sub-blocks end, and the colour stage, the makeup target and the mix
# are evaluated per sub-block, so their results differ by a rounding-level amount; Ardour's export
# adds 24-bit quantisation (6e-8).
TOLERANCES = {
    "lv2proc-512": (0.0, None),
    "lv2proc-random": (2e-3, -90.0),
    "ardour-lv2": (2e-3, -90.0),
    "ardour-vst3": (2e-3, -90.0),
}


def run(command, env=None, timeout=600):
    result = subprocess.run(command, env=env, capture_output=True, text=True, timeout=timeout)
    if result.returncode != 0:
        sys.exit(f"failed: {' '.join(command)}\n{result.stdout}\n{result.stderr}")
    return result.stdout


def preset_values(source_dir, name):
    document = ElementTree.parse(os.path.join(source_dir, "source", "presets", name + ".tollovane"))
    return {child.get("id"): float(child.get("value")) for child in document.getroot() if child.tag == "PARAM"}


def case_values(case, source_dir):
    if "preset" in case:
        return preset_values(source_dir, case["preset"])
    return case["values"]


def normalised(parameter_id, value):
    _, start, end, skew, _ = PARAMETERS[parameter_id]
    proportion = (value - start) / (end - start)
    return proportion ** skew if skew != 1.0 else proportion


def prepare(tools_dir, work):
    """Builds lv2proc and generates the material, once for all cases."""
    os.makedirs(work, exist_ok=True)
    run(["sh", os.path.join(tools_dir, "lv2proc", "build.sh"), os.path.join(work, "lv2proc")])
    make_material(tools_dir, work)


def make_material(tools_dir, work):
    drums = os.path.join(work, "drums_full.wav")
    if not os.path.exists(drums):
        run(["/usr/bin/python3", os.path.join(tools_dir, "audio", "make_drumloop.py"), drums])
    material = os.path.join(work, "material.wav")
    if os.path.exists(material):
        return material
    run(["sox", "-n", "-r", str(RATE), "-c", "2", "-b", "24", os.path.join(work, "silence.wav"),
         "trim", "0", str(SILENCE_SECONDS)])
    run(["sox", os.path.join(work, "silence.wav"), drums, "-e", "floating-point", "-b", "32", material,
         "trim", "0", str(SILENCE_SECONDS + MATERIAL_SECONDS)])
    return material


def render_reference(build_dir, case, values, material, work):
    out = os.path.join(work, "renderer.wav")
    command = [os.path.join(build_dir, "tools", "render", "tollovane-render"), material, "-o", out,
               "--format", "float32", "--block", "512"]
    if "preset" in case:
        command += ["--preset", case["preset"]]
    else:
        for key, value in values.items():
            command += ["--set", f"{key}={value}"]
    if case.get("bypass"):
        command.append("--bypass")
    run(command)
    return out


def render_lv2proc(build_dir, lv2proc, host, case, values, material, work):
    out = os.path.join(work, host + ".wav")
    blocks = ["-b", "512"] if host == "lv2proc-512" else ["-R", "20261211", "-b", "1024"]
    command = [lv2proc, *blocks, "-l", "-i", material, "-o", out]
    for key, value in values.items():
        command += ["-p", f"{key}={value}"]
    if case.get("bypass"):
        command += ["-c", "enabled=0"]
    run(command + [LV2_URI], env=dict(os.environ, LV2_PATH=lv2_path(build_dir)))
    return out


def lv2_path(build_dir):
    return os.path.join(build_dir, "Tollovane_artefacts", "Release", "LV2")


def vst3_path(build_dir):
    return os.path.join(build_dir, "Tollovane_artefacts", "Release", "VST3")


def render_ardour(build_dir, host, case, values, material, work):
    env = dict(os.environ, LV2_PATH=lv2_path(build_dir), VST3_PATH=vst3_path(build_dir))
    if host == "ardour-vst3":
        env["LD_LIBRARY_PATH"] = "/usr/lib/ardour7"
        run(["/usr/lib/ardour7/ardour-vst3-scanner", "-f", os.path.join(vst3_path(build_dir), "Tollovane.vst3")], env)
        env.pop("LD_LIBRARY_PATH")
        env["PLUGIN_TYPE"] = "VST3"
        env["PLUGIN_URI"] = VST3_UID
        # VST3 parameters are set by name, normalised to 0..1
        env["PLUGIN_PARAMS"] = ";".join(f"{PARAMETERS[k][0]}={normalised(k, v):.9f}" for k, v in values.items())
    else:
        env["PLUGIN_URI"] = LV2_URI
        env["PLUGIN_PARAMS"] = ";".join(f"{k}={v}" for k, v in values.items())
    if case.get("bypass"):
        env["PLUGIN_BYPASS"] = "1"

    length = sf.info(material).frames
    session_root = tempfile.mkdtemp(prefix="tollovane-ardour-", dir=work)
    env["SESSION_NAME"] = "rt"
    env["SESSION_DIR"] = os.path.join(session_root, "rt")
    # The dummy backend records in real time; leave room for a busy machine.
    env["RECORD_SECONDS"] = str(int(2 * length / RATE) + 4)
    here = os.path.dirname(os.path.abspath(__file__))
    run(["ardour7-lua", os.path.join(here, "ardour_session.lua")], env, timeout=900)

    audio = os.path.join(env["SESSION_DIR"], "interchange", "rt", "audiofiles")
    takes = sorted(os.listdir(audio))
    left = os.path.join(audio, next(t for t in takes if t.endswith("%L.wav")))
    right = os.path.join(audio, next(t for t in takes if t.endswith("%R.wav")))
    recorded = sf.info(left).frames
    if recorded < length:
        sys.exit(f"Ardour recorded {recorded} samples, fewer than the {length} of the material")

    # Swap the recorded take for the material, keeping the take's length.
    data, _ = sf.read(material, always_2d=True, dtype="float32")
    padded = np.zeros((recorded, 2), dtype=np.float32)
    padded[:length] = data
    sf.write(left, padded[:, 0], RATE, subtype="FLOAT")
    sf.write(right, padded[:, 1], RATE, subtype="FLOAT")

    exported = os.path.join(work, host + "-full.wav")
    run(["ardour7-export", "-b", "24", "-o", exported, env["SESSION_DIR"], "rt"], timeout=900)
    out = os.path.join(work, host + ".wav")
    full, _ = sf.read(exported, always_2d=True, dtype="float64")
    sf.write(out, full[:length], RATE, subtype="FLOAT")
    return out


def compare(reference_path, other_path, host):
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
    print(f"{host}: {length} samples, lag {best_lag}, max |difference| {peak:.3g}, "
          f"difference {difference_rms_db:.1f} dB below the signal")

    max_peak, max_rms_db = TOLERANCES[host]
    failures = []
    if best_lag != 0:
        failures.append(f"output is shifted by {best_lag} samples")
    if peak > max_peak:
        failures.append(f"max |difference| {peak:.3g} exceeds {max_peak:.3g}")
    if max_rms_db is not None and difference_rms_db > max_rms_db:
        failures.append(f"difference {difference_rms_db:.1f} dB is above {max_rms_db} dB")
    return failures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--prepare", action="store_true", help="build lv2proc and generate the material")
    parser.add_argument("--case", choices=sorted(CASES))
    parser.add_argument("--host", choices=sorted(TOLERANCES))
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--source-dir", required=True)
    parser.add_argument("--tools", required=True, help="the shared test tools folder")
    parser.add_argument("--work", required=True, help="folder for generated files")
    args = parser.parse_args()

    if args.prepare:
        prepare(args.tools, args.work)
        return
    if not args.case or not args.host:
        parser.error("--case and --host are required")

    case_work = os.path.join(args.work, args.case + "-" + args.host)
    os.makedirs(case_work, exist_ok=True)

    case = CASES[args.case]
    values = case_values(case, args.source_dir)
    material = make_material(args.tools, args.work)
    reference = render_reference(args.build_dir, case, values, material, case_work)
    if args.host.startswith("lv2proc"):
        other = render_lv2proc(args.build_dir, os.path.join(args.work, "lv2proc"), args.host, case, values,
                               material, case_work)
    else:
        other = render_ardour(args.build_dir, args.host, case, values, material, case_work)

    failures = compare(reference, other, args.host)
    if failures:
        sys.exit("; ".join(failures))


if __name__ == "__main__":
    main()
