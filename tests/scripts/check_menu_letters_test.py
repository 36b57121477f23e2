#!/usr/bin/env python3
"""The menu letter check against small resource scripts: it passes menus
whose letters differ within each menu and names every clash, whatever the
case of the letters, but not a doubled "&&" nor the same letter in two
different menus."""
import pathlib
import sys
import tempfile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools"))
from check_menu_letters import check_file  # noqa: E402

FINE = """\
MAIN MENU
BEGIN
  POPUP "&Datei"
  BEGIN
    MENUITEM "&Neu", 1
    MENUITEM "Speichern &als...", 2
    MENUITEM SEPARATOR
    POPUP "&Import"
    BEGIN
      MENUITEM "&Neu importieren", 3   // N again, but in its own menu
    END
    MENUITEM "Drucken && Plotten", 4  // "&&" is no letter
  END
  POPUP "&Ansicht"
  {
    MENUITEM "&Neu zeichnen", 5
  }
  MENUITEM "&Hilfe", 6
END
"""

# (script, clashes the check must report)
CASES = [
    (FINE, 0),
    (FINE.replace('"&Ansicht"', '"&Datenansicht"'), 1),                   # on the menu bar
    (FINE.replace('"Speichern &als..."', '"Speichern als...", 7\n    MENUITEM "&Ende"'), 0),
    (FINE.replace('"Speichern &als..."', '"&neu speichern"'), 1),         # n and N clash
    (FINE.replace('"&Neu importieren"', '"Neu &importieren"').replace('"&Import"', '"&Neu"'), 1),
    (FINE + 'SECOND MENU\nBEGIN\n  MENUITEM "&Öffnen", 1\n  MENUITEM "&öffnen", 2\nEND\n', 1),
]


def clashes_of(script):
    with tempfile.TemporaryDirectory() as work:
        path = pathlib.Path(work) / "menu.rc"
        path.write_text(script, encoding="utf-8")
        return check_file(str(path))


def main():
    failures = 0
    for script, expected in CASES:
        clashes = clashes_of(script)
        if len(clashes) != expected:
            print(f"expected {expected} clash(es), got {clashes} in\n{script}")
            failures += 1
    print("menu letter check test:", "failed" if failures else "passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
