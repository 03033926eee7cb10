#!/usr/bin/env bash
# The include-order check on a small tree of its own: every upward include is
# named (through a folder path, a bare name beside the file, the top header, an
# engine file including the demo), downward and same-folder ones are not, a
# folder outside the order fails, and a tree without upward includes passes.
set -uo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
check="$here/scripts/check-layers.py"
tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT
status=0

put() { mkdir -p "$(dirname "$tree/$1")"; printf '%s\n' "${@:2}" >"$tree/$1"; }

put ZNEngine/core/Low.h '#pragma once'
put ZNEngine/core/Same.h '#include "Low.h"' '#include <stdio.h>' '#include "glad/gl.h"'
put ZNEngine/files/File.h '#include "core/Low.h"'
put ZNEngine/window/Win.cpp '#include "files/File.h"' '#include "core/Same.h"'
put ZNEngine/render/Draw.h '#include "window/Win.h"'
put ZNEngine/window/Win.h '#pragma once'
put ZNEngine/application/App.h '#include "ui/Layer.h"' '#include "runtime/Start.h"'
put ZNEngine/runtime/Start.h '#include "application/App.h"'
put ZNEngine/ui/Layer.h '#include "render/Draw.h"'
put ZNEngine/ZNEngine.h '#include "application/App.h"' '#include "core/Low.h"'
put app/main.cpp '#include "ZNEngine.h"' '#include "World.h"'
put app/World.h '#include "core/Low.h"'
put examples/first.cpp '#include <ZNEngine.h>'

out="$(python3 "$check" "$tree")"
if [ $? -ne 0 ]; then
  echo "FAIL: a tree with only downward includes was refused:"; echo "$out"; status=1
fi

# Plant the faults.
put ZNEngine/core/Bad.h '#include "files/File.h"'
put ZNEngine/window/Up.cpp '  #  include "render/Draw.h"'
put ZNEngine/render/Top.cpp '#include <ZNEngine.h>'
put ZNEngine/resources/Demo.cpp '#include "World.h"'
put ZNEngine/ui/Beside.cpp '#include "Layer.h"' '#include "application/App.h"'
put ZNEngine/gadgets/Gadget.h '#include "core/Low.h"'
put ZNEngine/ui/Relative.cpp '#include "../application/App.h"'
out="$(python3 "$check" "$tree")"
rc=$?
expected=(
  "ZNEngine/core/Bad.h:1: core includes files/File.h"
  "ZNEngine/window/Up.cpp:1: window includes render/Draw.h"
  "ZNEngine/render/Top.cpp:1: render includes ZNEngine.h"
  "ZNEngine/resources/Demo.cpp:1: resources includes World.h, which is in app"
  "ZNEngine/ui/Beside.cpp:2: ui includes application/App.h"
  "ZNEngine/gadgets/Gadget.h: folder 'gadgets' has no place"
  "ZNEngine/ui/Relative.cpp:1: ui includes ../application/App.h"
)
[ $rc -eq 1 ] || { echo "FAIL: planted upward includes gave exit code $rc, not 1"; status=1; }
for line in "${expected[@]}"; do
  grep -qF -- "$line" <<<"$out" || { echo "FAIL: not reported: $line"; status=1; }
done
found=$(grep -c '^ZNEngine/' <<<"$out")
[ "$found" -eq ${#expected[@]} ] || { echo "FAIL: $found findings, expected ${#expected[@]}:"; echo "$out"; status=1; }
[ $status -eq 0 ] && echo "check-layers: every planted upward include was found, nothing else"
exit $status
