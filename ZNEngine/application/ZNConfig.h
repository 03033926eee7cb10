// ZNConfig: the user's settings file. The variables marked ZNCF_Setting and the
// key bindings are kept in "config.cfg" in the user's configuration folder, read
// at start and written when they change; "autoexec.cfg" beside it is the user's
// own script, run after it.
//
//   ZNConfig config;
//   config.Folder = ZNUserConfigFolder("MyProgram");   // "" keeps nothing
//   config.Load(bindings);                             // before the window opens
//   each frame and at the end: config.Save(bindings);  // writes only a change
//
// Save is cheap enough for every frame: it compares the settings' change
// counter (ZNConVarSettingsRevision) and the bindings' Revision with the ones
// it last saw, and builds the file's text only when one of them moved.
//
// The file is console lines: "set NAME VALUE" for each setting, "unbindall",
// then "bind KEY "COMMAND"" for each binding. Guarantees:
// - A file that cannot be read, is not text, or holds a line that is not one
//   of those (or a quote left open) is named in the log and ignored as a whole:
//   every setting keeps its default. It is not replaced until a setting
//   changes; then it is first kept beside as "config.cfg.bad".
// - A line naming a setting this program does not have is named and skipped.
// - A write goes to "config.cfg.tmp" first and then replaces the file in one
//   step, so a reader sees the old or the new file, never a mix. A failed write
//   is named once and tried again at the next change.
// - Nothing is written before Load ran.
#pragma once

#include "core/ZNTemplate.h"

class ZNBindings;

// The folder of program's settings with a '/' at its end: given (the command
// line's --config-dir) when not empty, else ZN_CONFIG_DIR when it is set,
// else the platform's place for them (XDG_CONFIG_HOME or ~/.config on Linux,
// %APPDATA% on Windows) with a folder named after the program. Empty when
// there is none.
ZNString ZNUserConfigFolder(const char* program, const ZNString& given = ZNString());

enum ZNConfigLoad
{
    ZNCL_Read,      // the file was read and applied
    ZNCL_Missing,   // there is no file yet: the defaults stand
    ZNCL_Broken,    // unreadable or not a settings file: named, the defaults stand
};

class ZNConfig
{
public:
    // Reads config.cfg from Folder and applies it. Before anything is written.
    ZNConfigLoad Load(ZNBindings& bindings);
    // Writes config.cfg when what it would hold differs from what was last
    // read or written (a missing file counts as holding the defaults). The
    // text is built only when a setting or binding changed since the last
    // call. False after a failed write.
    bool         Save(const ZNBindings& bindings);
    // What config.cfg would hold now.
    ZNString     Text(const ZNBindings& bindings) const;
    // Folder + "config.cfg", and the autoexec script beside it.
    ZNString     FilePath() const;
    ZNString     AutoexecPath() const;

    ZNString Folder;                 // ends with '/'; empty: nothing is read or written
    ZNString Written;                // the file's text as last read or written
    bool     Loaded       = false;   // Load ran
    bool     Broken       = false;   // the file on disk was not used
    bool     WriteFailed  = false;   // the last write failed (named once)
    UINT32   SeenSettings = 0;       // ZNConVarSettingsRevision() when the text was last built
    UINT32   SeenBindings = 0;       // the bindings' Revision then
    UINT32   TextBuilds   = 0;       // how often Save built the text to compare (a frame without a change: never)
};
