#!/usr/bin/python3
"""Renders one case through tollovane-render and through a real host, and checks that they agree.

Hosts: lv2proc (an offline LV2 host on lilv) with fixed 512-sample and random block sizes, and a
headless Ardour 7 session with the LV2 or the VST3 bundle. Every host compensates the latency it
is told; the outputs must line up with the renderer's sample for sample.

usage: host_equivalence.py --prepare --build-dir DIR --source-dir DIR --work DIR
       host_equivalence.py --case NAME --host HOST --build-dir DIR --source-dir DIR --work DIR
"""
import argparse
import os
import sys

import hostlib

MATERIAL_SECONDS = 8.0

CASES = {
    # a factory preset with automatic makeup on, and one with the "ALL IN" engine
    "mix-finisher": {"preset": "MIX FINISHER"},
    "drum-room": {"preset": "Drum Room"},
    "colour-and-width": {"values": {"threshold": -24, "ratio": 9, "harm": 60, "wide": 70, "mix": 80,
                                    "sidechainHp": 120, "detector": 1}},
    "host-bypass": {"values": {"threshold": -30, "ratio": 10}, "bypass": True},
}

# (max |difference|, difference RMS relative to the signal in dB). Host bypass must be exact. Otherwise
# three things separate a host from the renderer by rounding-level amounts: block sizes other than
# 512 move the sub-block ends, at which the colour stage's control interpolation, the makeup target
# and the mix are evaluated; a host sets the parameters after preparing, so they glide in over the
# first 30 ms, and the automatic makeup's float glide then settles a few thousandths of a dB away
# from where the renderer's settles; Ardour's 24-bit export adds 6e-8 of quantisation.
TOLERANCES = {
    "lv2proc-512": (3e-3, -70.0),
    "lv2proc-random": (3e-3, -70.0),
    "ardour-lv2": (3e-3, -70.0),
    "ardour-vst3": (3e-3, -70.0),
}
EXACT = (0.0, None)

def case_values(case, source_dir):
    if "preset" in case:
        return hostlib.preset_values(source_dir, case["preset"])
    return case["values"]


def render_reference(build_dir, case, values, source, work):
    out = os.path.join(work, "renderer.wav")
    command = [hostlib.renderer(build_dir), source, "-o", out, "--format", "float32", "--block", "512"]
    if "preset" in case:
        command += ["--preset", case["preset"]]
    else:
        for key, value in values.items():
            command += ["--set", f"{key}={value}"]
    if case.get("bypass"):
        command.append("--bypass")
    hostlib.run(command)
    return out


def render_lv2proc(build_dir, work_root, host, case, values, source, work):
    out = os.path.join(work, host + ".wav")
    blocks = ["-b", "512"] if host == "lv2proc-512" else ["-R", "20261211", "-b", "1024"]
    command = [hostlib.lv2proc(work_root), *blocks, "-l", "-i", source, "-o", out]
    for key, value in values.items():
        command += ["-p", f"{key}={value}"]
    if case.get("bypass"):
        command += ["-c", "enabled=0"] # the host's bypass: the plug-in's designated enable port
    hostlib.run(command + [hostlib.LV2_URI], env=dict(os.environ, LV2_PATH=hostlib.lv2_path(build_dir)))
    return out


def render_ardour_and_compare(build_dir, host, case, values, source, work, reference, tolerance):
    plugin_format = "vst3" if host == "ardour-vst3" else "lv2"
    extra = {"PLUGIN_BYPASS": "1"} if case.get("bypass") else {}
    env = hostlib.ardour_environment(build_dir, plugin_format, values, extra)
    session = hostlib.session_with_material(env, source, work)
    return hostlib.export_and_compare(env, session, source, os.path.join(work, host + ".wav"),
                                      reference, *tolerance, label=host)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--prepare", action="store_true", help="build lv2proc and generate the material")
    parser.add_argument("--case", choices=sorted(CASES))
    parser.add_argument("--host", choices=sorted(TOLERANCES))
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--source-dir", required=True)
    parser.add_argument("--work", required=True, help="folder for generated files")
    args = parser.parse_args()

    if args.prepare:
        hostlib.prepare(args.work)
        hostlib.excerpt(args.work, "drums", MATERIAL_SECONDS)
        return
    if not args.case or not args.host:
        parser.error("--case and --host are required")

    case_work = os.path.join(args.work, args.case + "-" + args.host)
    os.makedirs(case_work, exist_ok=True)
    case = CASES[args.case]
    values = case_values(case, args.source_dir)
    source = hostlib.excerpt(args.work, "drums", MATERIAL_SECONDS)

    reference = render_reference(args.build_dir, case, values, source, case_work)
    tolerance = EXACT if case.get("bypass") else TOLERANCES[args.host]
    if args.host.startswith("lv2proc"):
        other = render_lv2proc(args.build_dir, args.work, args.host, case, values, source, case_work)
        failures = hostlib.compare(reference, other, *tolerance, label=args.host)
    else:
        failures = render_ardour_and_compare(args.build_dir, args.host, case, values, source, case_work,
                                             reference, tolerance)
    if failures:
        sys.exit("; ".join(failures))


if __name__ == "__main__":
    main()
