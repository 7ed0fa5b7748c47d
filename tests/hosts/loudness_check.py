#!/usr/bin/python3
"""Every factory preset with automatic makeup on, over the drum loop and the music piece: the
output's true peak measured by ffmpeg's EBU R128 meter is at or below -1 dBTP, and the renderer's
own summary agrees with ffmpeg within 0.1 dB.

usage: loudness_check.py --build-dir DIR --source-dir DIR --work DIR (after host_equivalence.py --prepare)
"""
import argparse
import math
import os
import re
import sys

import hostlib

CEILING_DB = -1.0
AGREEMENT_DB = 0.1


def ffmpeg_true_peak(path):
    """ffmpeg's summary value (0.1 dB steps) and its running maximum at full precision."""
    output = hostlib.run(["ffmpeg", "-nostats", "-hide_banner", "-i", path, "-af",
                          "ebur128=peak=true:metadata=1,ametadata=print", "-f", "null", "-"])
    summary = float(re.findall(r"True peak:\s+Peak:\s+(-?[\d.]+|-inf) dBFS", output, re.S)[-1])
    linear = [float(v) for v in re.findall(r"lavfi\.r128\.true_peaks_ch\d=([\d.]+)", output)]
    precise = 20 * math.log10(max(linear)) if linear and max(linear) > 0 else -math.inf
    loudness = float(re.findall(r"I:\s+(-?[\d.]+) LUFS", output)[-1])
    return summary, precise, loudness


def renderer_true_peak(build_dir, source, preset, out):
    output = hostlib.run([hostlib.renderer(build_dir), source, "-o", out, "--format", "float32", "--preset", preset])
    return float(re.search(r"output true peak:\s+(-?[\d.]+) dBTP", output).group(1))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--source-dir", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()

    presets = [p for p in hostlib.FACTORY_PRESETS if hostlib.preset_values(args.source_dir, p)["autoMakeup"] >= 0.5]
    failures = []
    print(f"{'material':8} {'preset':18} {'renderer':>9} {'ffmpeg':>7} {'ffmpeg(fine)':>12} {'LUFS':>6}")
    for material in ("drums", "music"):
        for preset in presets:
            out = os.path.join(args.work, f"loudness-{material}-{preset}.wav")
            ours = renderer_true_peak(args.build_dir, hostlib.material(args.work, material), preset, out)
            summary, precise, loudness = ffmpeg_true_peak(out)
            print(f"{material:8} {preset:18} {ours:9.2f} {summary:7.1f} {precise:12.3f} {loudness:6.1f}")
            if summary > CEILING_DB:
                failures.append(f"{preset} on {material}: ffmpeg measures {summary} dBTP")
            if abs(ours - precise) > AGREEMENT_DB:
                failures.append(f"{preset} on {material}: renderer {ours} dBTP, ffmpeg {precise:.3f} dBTP")
    if failures:
        sys.exit("\n".join(failures))


if __name__ == "__main__":
    main()
