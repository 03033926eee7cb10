#!/usr/bin/env python3
# Plants small faults in the code one at a time and reports which test catches
# each: the measure of whether the tests hold the invariants that matter.
#
#   scripts/plant-faults.sh [--build DIR] [--only N,N,...] [--check]
#
# Each fault is an exact text replacement that must match once in its file. The
# file is looked up by its path, or by its name anywhere under the tree when it
# has moved; an entry whose text no longer matches is reported STALE and skipped.
# For each fault the file is changed, the named test programs are rebuilt and run
# (GL ones on a virtual display, software GL) in the order given, stopping at the
# first that fails, and the file is put back, whatever happens. The build folder
# must be configured already. --check only looks the faults up. Prints a table
# (fault, file, caught by which test or SURVIVED) and the share caught; exits 0.
import argparse
import os
import re
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# (name, file, text, replacement, tests); a test is (program, gtest filter) or
# ("ctest", name regex) for an end-to-end test.
APP_CPU = ("zn_test_app", "Vox*:Camera*:*Water*")
APP_ALL = ("zn_test_app", "*")
FAULTS = [
    ("point margin ignores the level's reach", "app/VoxVisibility.cpp",
     "const float reach = 1.0f + leaf.LodGrow[level];", "const float reach = 1.0f;", [APP_CPU, APP_ALL]),
    ("subtree cull ignores coarse growth", "app/VoxVisibility.cpp",
     "grow = std::max(grow, node->LodGrow[level]);", "grow = std::max(grow, node->LodGrow[0]);",
     [APP_CPU, APP_ALL]),
    ("leaf cull ignores its level's growth", "app/VoxVisibility.cpp",
     "!Outside(node, node->LodGrow[item.Level], nullptr)", "!Outside(node, 0.0f, nullptr)", [APP_CPU, APP_ALL]),
    ("leaves sorted farthest first", "app/VoxVisibility.cpp",
     "{ return a.Distance < b.Distance; }", "{ return a.Distance > b.Distance; }", [APP_CPU, APP_ALL]),
    ("box distance summed unsquared", "app/VoxVisibility.cpp",
     "        d2 += d * d;\n    }\n    return sqrtf(d2);", "        d2 += d;\n    }\n    return sqrtf(d2);",
     [APP_CPU, APP_ALL]),
    ("straddling box classed as inside", "app/VoxVisibility.cpp",
     "if (nearest < 0.0f)", "if (nearest < -1.0f)", [APP_CPU, APP_ALL]),
    ("guard band half as wide as needed", "app/VoxVisibility.cpp",
     "options.PointGuard >= options.MaxPointSize * 0.5f + 1.0f",
     "options.PointGuard >= options.MaxPointSize * 0.25f + 1.0f", [APP_CPU, APP_ALL]),
    ("point width from full detail at every level", "app/VoxVisibility.cpp",
     "leaf.LodWidest[level] * options.PointScale", "leaf.LodWidest[0] * options.PointScale",
     [APP_CPU, APP_ALL]),
    ("sprites inside a leaf in the wrong order", "app/VoxVisibility.cpp",
     "return fabsf(dx) > fabsf(dy) ? dx > 0.0f : dy > 0.0f;",
     "return fabsf(dx) > fabsf(dy) ? dx > 0.0f : dy < 0.0f;", [APP_CPU, APP_ALL]),
    ("level of detail used with r_lod 0", "app/VoxVisibility.cpp",
     "if (!options.Lod || !(options.LodDistance > 0.0f))", "if (!(options.LodDistance > 0.0f))",
     [APP_CPU, APP_ALL]),
    ("points counted per vertex", "app/VoxVisibility.cpp",
     "stats.Points += count / node.Corners;", "stats.Points += count;", [APP_CPU, APP_ALL]),
    ("coarse sprites not widened on steep ground", "app/VoxBlock.cpp",
     "merged.Size = std::max(size * (float)(1u << level), size + 2.0f * spread);",
     "merged.Size = size * (float)(1u << level);", [APP_CPU, APP_ALL]),
    ("children's growth not passed up", "app/VoxBlock.cpp",
     "LodGrow[level] = std::max(LodGrow[level], ch.LodGrow[level]);",
     "LodGrow[level] = std::max(LodGrow[level], 0.0f);", [APP_CPU, APP_ALL]),
    ("cull box from the half width, not the turning corner", "app/VoxBlock.cpp",
     "const float r = SpriteReach(p[i].Size);", "const float r = p[i].Size * 0.5f;", [APP_CPU, APP_ALL]),
    ("old tree not deleted on rebuild", "app/VoxelWorld.cpp",
     "    VoxBlock::Delete(Root);\n    Root = tree;", "    Root = tree;", [("zn_test_app", "WorldGL.*")]),
    ("points not narrowed to a narrow guard band", "app/VoxelWorld.cpp",
     "frame.MaxPointSize = std::min(MaxPointSize, (float)(2 * (band - 2)));", "frame.MaxPointSize = MaxPointSize;",
     [("zn_test_app", "WorldGL.*")]),
    ("point scale from the viewport's width", "app/VoxelWorld.cpp",
     "View.Projection.At(1, 1) * (float)viewport[3] * 0.5f;",
     "View.Projection.At(1, 1) * (float)viewport[2] * 0.5f;", [("zn_test_app", "WorldGL.*")]),
    ("water's near-plane bound without the corners", "app/Camera.cpp",
     "if (!(fabsf(height) > camera.Near * sqrtf(1.0f + tx * tx + ty * ty)))",
     "if (!(fabsf(height) > camera.Near))", [APP_CPU, APP_ALL]),
    ("water plane depth with a flipped sign", "app/Camera.cpp",
     "quad[k].U = -p[10] + p[14] * rayZ / height;", "quad[k].U = -p[10] - p[14] * rayZ / height;",
     [APP_CPU, APP_ALL]),
    ("command-line count takes one past its maximum", "ZNEngine/application/ZNCommandLine.cpp",
     "v > (long long)high)", "v > (long long)high + 1)",
     [("zn_test_application", "CommandLine*:AppCommands*"), ("zn_test_app", "CommandLine*:AppCommands*")]),
    ("command-line '+' words with ';' left unquoted", "ZNEngine/application/ZNCommandLine.cpp",
     "*s == '\\r' || *s == ';' || *s == '\"'", "*s == '\\r' || *s == '\"'",
     [("zn_test_application", "CommandLine*:AppCommands*"), ("zn_test_app", "CommandLine*:AppCommands*")]),
    ("variable above its maximum kept", "ZNEngine/ui/ZNConVar.cpp",
     "    if (v > Max)\n        v = Max;", "    if (v > Max + 1.0f)\n        v = Max;", [("zn_test_ui", "*")]),
    ("an allowed value snapped to the first", "ZNEngine/ui/ZNConVar.cpp",
     "            if (a == v)\n                return v;", "            if (a == v)\n                return best;",
     [("zn_test_ui", "*")]),
    ("';' inside quotes splits commands", "ZNEngine/ui/ZNConsoleLine.cpp",
     "else if (*p == ';' && !quoted)", "else if (*p == ';')", [("zn_test_ui", "*")]),
    ("exec nesting one deeper than the limit", "ZNEngine/ui/ZNConsole.cpp",
     "if (ExecDepth >= ExecDepthLimit)", "if (ExecDepth > ExecDepthLimit)", [("zn_test_ui", "*")]),
    ("frame-end GL check drains one error", "ZNEngine/window/ZNGLErrors.cpp",
     "drained < kDrainLimit && (code = gl->GetError())", "drained < 1 && (code = gl->GetError())",
     [("zn_test_render", "GLErrors*")]),
    ("image size limit computed in 32 bits", "ZNEngine/resources/ZNImage.cpp",
     "if ((UINT64)width * height * 4 > 0xFFFFFFFFull)", "if (width * height * 4 > 0xFFFFFFFFu)",
     [("zn_test_resources", "Image*:Png*:MipCache*")]),
    ("a refused world said nothing", "app/VoxBlock.cpp",
     "if (cellsX > 0.0f && cellsY > 0.0f)", "if (cellsX > 0.0f && cellsY < 0.0f)", [APP_CPU]),
]


def locate(rel):
    """The file's path now: as listed, or the one file of that name under the tree."""
    path = os.path.join(HERE, rel)
    if os.path.isfile(path):
        return path
    name = os.path.basename(rel)
    found = []
    for root, dirs, files in os.walk(HERE):
        dirs[:] = [d for d in dirs if d != ".git" and not d.startswith("build")]
        if name in files:
            found.append(os.path.join(root, name))
    return found[0] if len(found) == 1 else None


def run(cmd, log, timeout, env=None):
    with open(log, "ab") as out:
        out.write(("\n$ " + " ".join(cmd) + "\n").encode())
        out.flush()
        try:
            return subprocess.run(cmd, cwd=HERE, stdout=out, stderr=subprocess.STDOUT, timeout=timeout,
                                  env=env).returncode
        except subprocess.TimeoutExpired:
            return "timeout"


def first_failure(log):
    text = open(log, errors="replace").read()
    m = re.findall(r"\[  FAILED  \] (\S+)", text)
    return m[0] if m else None


def stop(signum, frame):
    # Raised where the script waits, so the planted file is put back on the way out.
    raise KeyboardInterrupt()


def main():
    signal.signal(signal.SIGINT, stop)
    signal.signal(signal.SIGTERM, stop)
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default="build")
    ap.add_argument("--only", default="")
    ap.add_argument("--check", action="store_true")
    ap.add_argument("--timeout", type=int, default=900)
    args = ap.parse_args()
    build = os.path.join(HERE, args.build)
    only = {int(x) for x in args.only.split(",") if x}
    env = dict(os.environ, ZN_DIALOG="no", LIBGL_ALWAYS_SOFTWARE="1")
    logdir = os.path.join(build, "plant-faults")
    os.makedirs(logdir, exist_ok=True)
    rows = []
    for index, (name, rel, text, replacement, tests) in enumerate(FAULTS, 1):
        if only and index not in only:
            continue
        path = locate(rel)
        shown = os.path.relpath(path, HERE) if path else rel
        original = open(path).read() if path else None
        if original is None or original.count(text) != 1:
            rows.append((index, name, shown, "STALE"))
            print("%2d %-50s STALE" % (index, name), flush=True)
            continue
        if args.check:
            rows.append((index, name, shown, "found"))
            continue
        log = os.path.join(logdir, "fault-%02d.log" % index)
        open(log, "w").close()
        start = time.time()
        result = "SURVIVED"
        try:
            with open(path, "w") as f:
                f.write(original.replace(text, replacement))
            targets = sorted({t[0] for t in tests if t[0] != "ctest"} | ({"Vendrapolis"} if any(
                t[0] == "ctest" for t in tests) else set()))
            built = run(["cmake", "--build", build, "-j2", "--target"] + targets, log, args.timeout)
            if built != 0:
                result = "BUILD FAILED"
            else:
                for program, pattern in tests:
                    if program == "ctest":
                        cmd = ["scripts/with-display.sh", "ctest", "--test-dir", build, "-R", pattern,
                               "--output-on-failure"]
                    else:
                        cmd = ["scripts/with-display.sh", os.path.join(build, "tests", program),
                               "--gtest_filter=" + pattern]
                    code = run(cmd, log, args.timeout, env)
                    if code != 0:
                        which = first_failure(log) if program != "ctest" else pattern
                        result = "%s %s" % (program, which or ("(%s)" % code))
                        break
        finally:
            with open(path, "w") as f:
                f.write(original)
        rows.append((index, name, shown, result))
        print("%2d %-50s %-6.0fs %s" % (index, name, time.time() - start, result), flush=True)

    print()
    print("%-3s %-52s %-34s %s" % ("#", "fault", "file", "caught by"))
    for index, name, shown, result in rows:
        print("%-3d %-52s %-34s %s" % (index, name, shown, result))
    counted = [r for r in rows if r[3] not in ("STALE", "BUILD FAILED", "found")]
    caught = [r for r in counted if r[3] != "SURVIVED"]
    if counted:
        print("\ncaught %d of %d (%.0f %%); %d stale, %d did not build" % (
            len(caught), len(counted), 100.0 * len(caught) / len(counted),
            sum(r[3] == "STALE" for r in rows), sum(r[3] == "BUILD FAILED" for r in rows)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
