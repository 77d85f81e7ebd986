#!/usr/bin/env python3
"""Writes demo/walkthrough-pad.txt and demo/walkthrough-touch.txt from the
mouse-and-keyboard walkthrough demo/walkthrough.txt.

The pad version steers the pointer with the left stick (full speed while far,
then the exact deflection for the last pixels, simulated with the player's
speed curve), clicks with A and signs the letter with X, leaving the name
empty. The touch version taps where the mouse clicked and taps the letter's
Start button instead of Enter. Neither can type letters, so the cheat code is
left out. Each action keeps at least the gaps of walkthrough.txt; travel time
pushes later actions back.

Run from the project folder: python3 demo/tools/device_walkthroughs.py
"""

import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))
DEMO = os.path.dirname(HERE)
DEAD = 0.15
START_BUTTON = (512, 628)  # the letter's Start text


def speed(value):
    d = max(-1.0, min(1.0, value / 32767.0))
    a = abs(d)
    if a < DEAD:
        return 0.0
    s = (a - DEAD) / (1 - DEAD)
    return math.copysign(1 + 39 * s * s, d)


def read_actions(path):
    actions = []
    for line in open(path):
        line = line.split('#')[0].split()
        if not line:
            continue
        actions.append((int(line[0]), line[1], [int(v) for v in line[2:]]))
    return actions


class Stick:
    """The pointer the left stick moves, one step per pass."""

    def __init__(self):
        self.x, self.y = 512, 384
        self.carry = [0.0, 0.0]
        self.value = [0, 0]

    def value_for(self, axis, remaining):
        if remaining == 0:
            return 0
        want = abs(remaining)
        if want >= 40:
            return 32767 if remaining > 0 else -32767
        # the smallest deflection that moves exactly `want` pixels this step
        sign = 1 if remaining > 0 else -1
        for v in range(4916, 32768):
            total = self.carry[axis] + speed(sign * v)
            if abs(math.trunc(total)) == want:
                return sign * v
            if abs(math.trunc(total)) > want:
                break
        raise RuntimeError('no deflection moves %d' % want)

    def travel(self, tx, ty, pass_no, out):
        """Steers to (tx, ty) from pass_no; the first pass at the target."""
        while (self.x, self.y) != (tx, ty):
            for axis, name, rem in ((0, 'leftx', tx - self.x), (1, 'lefty', ty - self.y)):
                v = self.value_for(axis, rem)
                if v != self.value[axis]:
                    out.append('%d axis %s %d' % (pass_no, name, v))
                    self.value[axis] = v
            for axis in (0, 1):
                self.carry[axis] += speed(self.value[axis])
                m = math.trunc(self.carry[axis])
                self.carry[axis] -= m
                if axis == 0:
                    self.x = max(0, min(1023, self.x + m))
                else:
                    self.y = max(0, min(767, self.y + m))
            pass_no += 1
        for axis, name in ((0, 'leftx'), (1, 'lefty')):
            if self.value[axis]:
                out.append('%d axis %s 0' % (pass_no, name))
                self.value[axis] = 0
        return pass_no


def pad_lines(actions):
    out, stick, shift, last = [], Stick(), 0, 0
    for t, kind, args in actions:
        at = max(t + shift, last + 1)
        if kind in ('move', 'down', 'up') and (stick.x, stick.y) != tuple(args):
            at = stick.travel(args[0], args[1], at, out)
        if kind == 'move':
            last = at - 1  # the press may come as soon as the pointer is there
            continue
        if kind == 'down':
            out.append('%d pad a down' % at)
        elif kind == 'up':
            out.append('%d pad a up' % at)
        elif kind == 'key' and args == [13]:
            out.append('%d pad x down' % at)
            out.append('%d pad x up' % (at + 1))
            at += 1
        else:
            continue  # letters cannot be typed on a pad
        shift, last = at - t, at
    return out


def touch_lines(actions):
    out = []
    for t, kind, args in actions:
        if kind in ('down', 'up'):
            out.append('%d touch %s %d %d' % (t, kind, args[0], args[1]))
        elif kind == 'key' and args == [13]:
            out.append('%d touch down %d %d' % (t, *START_BUTTON))
            out.append('%d touch up %d %d' % (t + 1, *START_BUTTON))
    return out


HEADER = """# The walkthrough of "The Keeper's Light" played {how}: the replayed input of
# `qazmir --headless --input demo/{name} build/demo`. Written from
# walkthrough.txt by demo/tools/device_walkthroughs.py; {detail}
# The letter is signed with an empty name, which the game takes as "Keeper";
# no letters can be typed, so there is no cheat code.
"""


def main():
    actions = read_actions(os.path.join(DEMO, 'walkthrough.txt'))
    for name, how, detail, lines in (
            ('walkthrough-pad.txt', 'with a gamepad alone',
             'the left stick\n# steers the pointer, A clicks and X signs the letter.', pad_lines(actions)),
            ('walkthrough-touch.txt', 'on a touch screen alone',
             'every click is a\n# tap, and a tap on Start signs the letter.', touch_lines(actions))):
        with open(os.path.join(DEMO, name), 'w') as f:
            f.write(HEADER.format(how=how, name=name, detail=detail))
            f.write('\n'.join(lines) + '\n')


if __name__ == '__main__':
    main()
