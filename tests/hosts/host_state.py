#!/usr/bin/python3
"""State through a real host: Ardour saves a session holding the plug-in with non-default settings
and a preset identity. Reopening the session must restore every parameter and the identity: the
session Ardour saves again still holds them, and the reopened session plays the material exactly
as the renderer does with those settings.

The identity is set by the editor's preset browser, which a headless host cannot click, so it is
written into the saved plug-in state the way the editor would leave it.

usage: host_state.py --format lv2|vst3 --build-dir DIR --work DIR (after host_equivalence.py --prepare)
"""
import argparse
import glob
import os
import re
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

import hostlib

# The same allowance as for the host-equivalence runs through Ardour.
ARDOUR_TOLERANCE = (3e-3, -70.0)

# Every parameter away from its default, on its own grid.
SETTINGS = {
    "detector": 1, "sync": 1, "wide": 42.5, "threshold": -20.3, "attack": 12.5, "release": 5,
    "ratio": 10, "mix": 66.6, "makeup": 3.2, "harm": 35.0, "autoMakeup": 1, "sidechainHp": 88,
}
IDENTITY = {"tollovanePresetName": "Session Keeper", "tollovanePresetKind": "user"}


def with_identity(blob):
    text, end = hostlib.blob_xml(blob)
    root = ElementTree.fromstring(text)
    for key, value in IDENTITY.items():
        root.set(key, value)
    return hostlib.make_blob(ElementTree.tostring(root, encoding="unicode")) + blob[end:]


# LV2: the state lives in the session's plug-in state folder, as JUCE's base-64 text.
def lv2_state_files(session):
    return sorted(glob.glob(os.path.join(session, "plugins", "*", "state*", "state.ttl")), key=os.path.getmtime)


def lv2_read(session):
    text = open(lv2_state_files(session)[-1]).read()
    return hostlib.juce_base64_decode(re.search(r':StateString> "([^"]+)"', text).group(1))


def lv2_write(session, blob):
    path = lv2_state_files(session)[-1]
    text = open(path).read()
    text = re.sub(r'(:StateString> ")([^"]+)(")', lambda m: m.group(1) + hostlib.juce_base64_encode(blob) + m.group(3), text)
    open(path, "w").write(text)


# VST3: the state lives in the session document, as a VST3 preset in standard base 64; the
# component's part ("Comp") is what the plug-in wrote.
CHUNK = re.compile(r"(<chunk>)([^<]+)(</chunk>)")


def vst3_preset(session):
    text = open(os.path.join(session, "rt.ardour")).read()
    return hostlib.vst3_preset_chunks(hostlib.standard_base64_decode(CHUNK.search(text).group(2)))


def vst3_read(session):
    _, chunks = vst3_preset(session)
    return dict(chunks)[b"Comp"]


def vst3_write(session, blob):
    header, chunks = vst3_preset(session)
    preset = hostlib.make_vst3_preset(header, [(i, blob if i == b"Comp" else payload) for i, payload in chunks])
    path = os.path.join(session, "rt.ardour")
    text = open(path).read()
    text = CHUNK.sub(lambda m: m.group(1) + hostlib.standard_base64_encode(preset) + m.group(3), text, count=1)
    open(path, "w").write(text)


def check_state(blob, stage):
    text, _ = hostlib.blob_xml(blob)
    root = ElementTree.fromstring(text)
    failures = [f"{stage}: {key} is {root.get(key)!r}, not {value!r}" for key, value in IDENTITY.items()
                if root.get(key) != value]
    stored = {child.get("id"): float(child.get("value")) for child in root if child.tag == "PARAM"}
    for key, value in SETTINGS.items():
        if abs(stored.get(key, float("nan")) - value) > 1e-4:
            failures.append(f"{stage}: {key} is {stored.get(key)}, not {value}")
    return failures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--format", required=True, choices=("lv2", "vst3"))
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)
    work = tempfile.mkdtemp(prefix=f"state-{args.format}-", dir=args.work)

    read, write = (lv2_read, lv2_write) if args.format == "lv2" else (vst3_read, vst3_write)
    env = hostlib.ardour_environment(args.build_dir, args.format, SETTINGS)
    source = hostlib.excerpt(args.work, "drums", 4.0)
    session = hostlib.session_with_material(env, source, work)

    saved = read(session)
    failures = [f for f in check_state(saved, "first save") if "tollovanePreset" not in f]
    write(session, with_identity(saved))

    hostlib.run_ardour(["ardour7-lua", os.path.join(hostlib.HERE, "ardour_reopen.lua")], env)
    failures += check_state(read(session), "saved again after reopening")

    # The reopened session plays with the restored settings.
    reference = os.path.join(work, "renderer.wav")
    hostlib.run([hostlib.renderer(args.build_dir), source, "-o", reference, "--format", "float32",
                 *[a for key, value in SETTINGS.items() for a in ("--set", f"{key}={value}")]])
    played = hostlib.export_and_compare(env, session, source, os.path.join(work, "played.wav"),
                                        reference, *ARDOUR_TOLERANCE)
    failures += [f"playback: {f}" for f in played]

    print(f"{args.format}: {len(SETTINGS)} parameters and the preset identity kept through save, reopen and save")
    if failures:
        sys.exit("\n".join(failures))


if __name__ == "__main__":
    main()
