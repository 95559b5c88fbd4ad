#!/usr/bin/env python3
"""Edits copies of the sample models so that a second check run finds changes.

For every part document of the folder: one face more on its active
configuration, a tenth more mass, and its first sound feature failing. For
every geometry part with a sidecar (pump.step.json): a tenth more density,
so its mass properties change while its geometry stays.
"""
import json
import pathlib
import sys


def active_configuration(model):
    configs = model.get("configurations") or [{"name": "Default"}]
    model["configurations"] = configs
    wanted = model.get("activeConfiguration", configs[0].get("name"))
    for config in configs:
        if config.get("name") == wanted:
            return config
    return configs[0]


def edit_part(path):
    model = json.loads(path.read_text(encoding="utf-8"))
    config = active_configuration(model)
    body = config.setdefault("body", {"faces": []}) or {"faces": []}
    config["body"] = body
    body.setdefault("faces", []).append({"edges": 4, "triangles": 2})
    mass = config.get("massProperties") or [0.0] * 12
    mass[5] = mass[5] * 1.1 if mass[5] else 1.0
    mass[3] = mass[3] * 1.1 if mass[3] else 1.0
    config["massProperties"] = mass
    for feature in config.get("features", []):
        if not feature.get("error"):
            feature["error"] = 2
            break
    path.write_text(json.dumps(model, indent=2) + "\n", encoding="utf-8")
    print(f"edited {path.name}: {len(body['faces'])} faces, mass {mass[5]:g}")


def edit_sidecar(path):
    sidecar = json.loads(path.read_text(encoding="utf-8"))
    sidecar["density"] = sidecar.get("density", 1.0) * 1.1
    path.write_text(json.dumps(sidecar, indent=2) + "\n", encoding="utf-8")
    print(f"edited {path.name}: density {sidecar['density']:g}")


def main(folder):
    parts = sorted(pathlib.Path(folder).glob("*.vxlprt"))
    if not parts:
        sys.exit(f"edit_models: no part documents in {folder}")
    for part in parts:
        edit_part(part)
    for sidecar in sorted(pathlib.Path(folder).glob("*.step.json")):
        edit_sidecar(sidecar)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "build/demo/work/models")
