#!/usr/bin/python3
"""Tollovane's LV2 bundle against two open peers in the same offline host (lv2proc), in the same
run, on a real drum loop and a rendered music piece at 48 kHz in 512-sample blocks: LSP Compressor
Stereo followed by x42 dpl with true peak on is what Tollovane's whole chain has to beat. Then on
the same material: the in-process whole chain and the spread of its 512-sample block times, the
largest difference between the optimised engine and the plain one, and the memory per instance.

usage: compare_peers.py --build-dir BUILD [--work FOLDER] [--rounds N] [--loops N]
"""
import argparse
import os
import re
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "hosts"))
import hostlib  # noqa: E402

BLOCK = 512

PEERS = [
    # Threshold -20 dB (0.1), 4:1, otherwise as the plug-in comes.
    ("LSP Compressor Stereo", "http://lsp-plug.in/plugins/lv2/compressor_stereo", ["-c", "al=0.1", "-c", "cr=4"]),
    # Ceiling -1 dBFS with its true-peak detection on.
    ("x42 dpl, true peak", "http://gareus.org/oss/lv2/dpl#stereo", ["-c", "threshold=-1", "-c", "truepeak=1"]),
]

# The settings of bench/ChainSettings.h, so that the in-process figures match these.
ENGINES = [("unity", 0), ("standard4to1", 4), ("ninetyNine", 9), ("allIn", 10)]


def tollovane(ratio_step):
    values = {"threshold": -20, "ratio": ratio_step, "harm": 50, "wide": 50, "autoMakeup": 1}
    return [argument for k, v in values.items() for argument in ("-p", f"{k}={v}")]


def time_in_lv2proc(work, build_dir, uri, arguments, material, loops):
    """ns per stereo sample in run(), and the slowest block's ns per sample."""
    env = dict(os.environ, LV2_PATH=hostlib.lv2_path(build_dir) + ":/usr/lib/lv2")
    output = subprocess.run([hostlib.lv2proc(work), "-b", str(BLOCK), "-n", str(loops), *arguments, "-i", material, uri],
                            env=env, capture_output=True, text=True, check=True).stdout
    mean = float(re.search(r"([0-9.]+) ns/frame", output).group(1))
    worst_percent = float(re.search(r"worst block ([0-9.]+) %", output).group(1))
    return mean, worst_percent / 100.0 / hostlib.RATE * 1e9


def lv2_table(work, build_dir, materials, rounds, loops):
    plugins = [(name, uri, arguments) for name, uri, arguments in PEERS]
    plugins += [(f"Tollovane {name}", hostlib.LV2_URI, tollovane(step)) for name, step in ENGINES]

    print(f"\nlv2proc, {BLOCK}-sample blocks, median of {rounds} interleaved rounds of {loops} passes "
          f"(ns per stereo sample; worst = slowest block, first block included)")
    for material_name, path in materials:
        times = {name: [] for name, _, _ in plugins}
        worst = {name: 0.0 for name, _, _ in plugins}
        for _ in range(rounds):
            for name, uri, arguments in plugins:
                mean, slowest = time_in_lv2proc(work, build_dir, uri, arguments, path, loops)
                times[name].append(mean)
                worst[name] = max(worst[name], slowest)

        median = {name: statistics.median(values) for name, values in times.items()}
        peers = sum(median[name] for name, _, _ in PEERS)
        print(f"\n{material_name}")
        print(f"  {'plug-in':<28}{'ns/sample':>10}{'worst':>10}{'vs peers':>10}")
        for name, _, _ in plugins:
            ratio = f"{median[name] / peers:.2f}" if name.startswith("Tollovane") else ""
            print(f"  {name:<28}{median[name]:>10.1f}{worst[name]:>10.1f}{ratio:>10}")
        print(f"  {'peers together':<28}{peers:>10.1f}")


def in_process(build_dir, materials):
    bench = os.path.join(build_dir, "bench", "tollovane_bench")
    flags = [f"--material={name}={path}" for name, path in materials]
    print("\ntollovane_bench on the same material (per_sample: ns per stereo sample)", flush=True)
    subprocess.run([bench, *flags, "--benchmark_filter=wholeChain|blockSpread", "--benchmark_min_time=1"], check=True)


def equivalence_and_memory(build_dir, materials):
    flags = [f"--material={name}={path}" for name, path in materials]
    print("\noptimised engine against the plain one, whole files, 512-sample blocks", flush=True)
    subprocess.run([os.path.join(build_dir, "bench", "tollovane_equivalence"), *flags], check=True)
    memory = os.path.join(build_dir, "bench", "tollovane_memory")
    if os.path.exists(memory):
        print("\nheap held by one stereo instance after prepare (512-sample blocks)", flush=True)
        subprocess.run([memory], check=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--work")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--loops", type=int, default=3)
    args = parser.parse_args()
    # lilv wants absolute bundle paths.
    args.build_dir = os.path.abspath(args.build_dir)

    work = args.work or os.path.join(args.build_dir, "peers")
    if not os.path.exists(hostlib.material(work, "music")):
        hostlib.prepare(work)
    # The material without the silence the host tests put before it.
    materials = [("drums", os.path.join(work, "drums.wav")), ("music", os.path.join(work, "music_48k_24b.wav"))]

    lv2_table(work, args.build_dir, materials, args.rounds, args.loops)
    in_process(args.build_dir, materials)
    equivalence_and_memory(args.build_dir, materials)


if __name__ == "__main__":
    main()
