"""Fails when two entries of one menu share an access letter.

Reads the MENU resources of the given resource scripts and, for the menu
bar and for every popup, collects the letter after each single "&" of its
own entries ("&&" is a plain ampersand). Windows selects by the letter
without regard to case, so a letter taken twice only moves between the two
entries instead of choosing one. Prints each clash as
"FILE:LINE: MENU > POPUP: letter X in "A" and "B"" and exits with 1.
"""
import re
import sys

MENU_START = re.compile(r"^\s*(\w+)\s+MENU(EX)?\b")
POPUP = re.compile(r'^\s*POPUP\s+"((?:[^"]|"")*)"')
ITEM = re.compile(r'^\s*MENUITEM\s+"((?:[^"]|"")*)"')
OPEN = re.compile(r"^\s*(BEGIN|\{)\s*$")
CLOSE = re.compile(r"^\s*(END|\})\s*$")


def access_letter(text):
    """The letter after the first single "&", lower case; None without one."""
    i = 0
    while i < len(text) - 1:
        if text[i] == "&":
            if text[i + 1] == "&":
                i += 2
                continue
            return text[i + 1].lower()
        i += 1
    return None


class Level:
    def __init__(self, path):
        self.path = path  # menu name, then the popups down to this one
        self.letters = {}  # letter -> (line, text)


def check_file(file_name):
    """The clashes of one resource script, as printable lines."""
    with open(file_name, encoding="utf-8") as f:
        lines = f.read().splitlines()
    clashes = []
    stack = []         # open levels
    pending = None     # the level a following BEGIN opens
    for number, line in enumerate(lines, 1):
        code = line.split("//")[0]
        start = MENU_START.match(code)
        if start and not stack:
            pending = Level([start.group(1)])
            continue
        if OPEN.match(code) and pending is not None:
            stack.append(pending)
            pending = None
            continue
        if CLOSE.match(code) and stack:
            stack.pop()
            continue
        if not stack:
            continue
        entry = POPUP.match(code) or ITEM.match(code)
        if not entry:
            continue
        text = entry.group(1).replace('""', '"')
        level = stack[-1]
        letter = access_letter(text)
        if letter is not None:
            if letter in level.letters:
                first_line, first_text = level.letters[letter]
                clashes.append(f'{file_name}:{number}: {" > ".join(level.path)}: letter {letter.upper()} '
                               f'in "{first_text}" (line {first_line}) and "{text}"')
            else:
                level.letters[letter] = (number, text)
        if POPUP.match(code):
            pending = Level(level.path + [text.replace("&", "")])
    return clashes


def main(files):
    clashes = [c for name in files for c in check_file(name)]
    for c in clashes:
        print(c)
    return 1 if clashes else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
