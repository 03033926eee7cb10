#!/usr/bin/env bash
# The flying keys in the real program: A and D move to the left and right of the
# heading, space and left control up and down, and left shift doubles the speed
# of W. Positions come from the console's "where" before and after each key is
# held; only the console toggle key reaches the console, every other key is held
# while it is closed.
source "$(dirname "$0")/world_lib.bash"
world_setup "$1" "$2"
# A small window keeps the frames short, so a held key is seen for most of its time.
WORLD_ARGS=(--width 256 --height 144)
world_start
world_focus
OUT="$WORK/stdout.txt"
# Prints "x y z yaw" of the camera, asked through the console.
where() {
    # A mark of its own before each answer (this runs in subshells, so no counter).
    local mark
    mark="mark-$(date +%s%N)"
    toggle_console
    console_line "echo $mark"
    console_line "where"
    toggle_console
    local i line=""
    for i in $(seq 1 120); do
        line="$(sed -n "/^$mark\$/,\$p" "$OUT" | grep -m1 '^where: ')"
        [ -n "$line" ] && break
        kill -0 "$PID" 2>/dev/null || fail "program ended while asking where"
        sleep 0.5
    done
    [ -n "$line" ] || fail "no answer to 'where' after $mark"
    echo "$line" | awk '{ print $2, $3, $4, $6 }'
}

# Holds the keys (xdotool names) for $1 seconds and prints the move "dx dy dz"
# with the heading's yaw after it.
hold() {
    local seconds="$1"; shift
    local a b
    a="$(where)"
    xdotool keydown "$@"
    sleep "$seconds"
    xdotool keyup "$@"
    sleep 0.5
    b="$(where)"
    echo "$a $b" | awk '{ printf "%f %f %f %f\n", $5 - $1, $6 - $2, $7 - $3, $4 }'
}

# Along the heading, to its left and up: "forward left up" of a move, then the
# largest size of the other two for the key's expected axis $2 (1, 2 or 3).
components() {
    echo "$1" | awk -v axis="$2" '{ c = cos($4); s = sin($4);
        v[1] = $1 * c + $2 * s; v[2] = -$1 * s + $2 * c; v[3] = $3; off = 0;
        for (k = 1; k <= 3; ++k) if (k != axis) { a = v[k] < 0 ? -v[k] : v[k]; if (a > off) off = a }
        printf "%f %f %f %f\n", v[1], v[2], v[3], off }'
}

read -r f l u off < <(components "$(hold 1.5 a)" 2)
echo "A: forward $f left $l up $u"
check "$l > 20 && $off < 0.2 * $l" "A did not move left ($f $l $u)"

read -r f l u off < <(components "$(hold 1.5 d)" 2)
echo "D: forward $f left $l up $u"
check "$l < -20 && $off < -0.2 * $l" "D did not move right ($f $l $u)"

read -r f l u off < <(components "$(hold 1.5 space)" 3)
echo "space: forward $f left $l up $u"
check "$u > 20 && $off < 0.2 * $u" "space did not move up ($f $l $u)"

read -r f l u off < <(components "$(hold 1.5 Control_L)" 3)
echo "control: forward $f left $l up $u"
check "$u < -20 && $off < -0.2 * $u" "left control did not move down ($f $l $u)"

# Shift: the same hold of W with and without it. A frame's time at either end of
# a hold blurs the distances, so the check asks for clearly more, not exactly twice.
read -r f1 l1 u1 off < <(components "$(hold 3 w)" 1)
read -r f2 l2 u2 off < <(components "$(hold 3 Shift_L w)" 1)
echo "W: forward $f1 up $u1; shift+W: forward $f2 up $u2"
check "$f1 > 20 && $u1 < 0" "W did not move forward and down the view ($f1 $l1 $u1)"
check "$f2 > 1.3 * $f1" "left shift did not speed up W ($f1 against $f2)"

world_close
echo "PASS"
