#!/usr/bin/env python3
"""Write the twelve skin folders (skin.ini and BMP pictures).

    python3 generate.py [OUTPUT_DIR] [--only NAME ...]

OUTPUT_DIR defaults to assets/skins (the parent of this folder). The output
depends only on this code: running it twice gives the same bytes.
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import skinfiles  # noqa: E402
from skins import all_skins  # noqa: E402


def write_skin(theme, out_dir):
    files, ini_text, _ = skinfiles.build(theme)
    folder = os.path.join(out_dir, theme.folder)
    os.makedirs(folder, exist_ok=True)
    for name in sorted(os.listdir(folder)):
        if name.endswith(".bmp") and name not in files:
            os.remove(os.path.join(folder, name))  # left over from an older layout
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    with open(os.path.join(folder, "skin.ini"), "wb") as f:
        f.write(ini_text.encode("ascii"))
    return folder


def main(argv=None):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out", nargs="?", default=os.path.dirname(here))
    parser.add_argument("--only", nargs="*", default=None, help="folder names to write")
    args = parser.parse_args(argv)
    for theme in all_skins():
        if args.only and theme.folder not in args.only:
            continue
        print(write_skin(theme, args.out))


if __name__ == "__main__":
    main()
