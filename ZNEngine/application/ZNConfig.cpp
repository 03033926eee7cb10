// ZNConfig: reading, checking and writing the user's settings file.
#include "application/ZNConfig.h"

#include "application/ZNAppPlatform.h"
#include "application/ZNBindings.h"
#include "core/ZNLog.h"
#include "core/ZNStringUtil.h"
#include "files/ZNFileIO.h"
#include "ui/ZNConCommands.h"
#include "ui/ZNConVar.h"
#include "ui/ZNConsoleLine.h"

#include <math.h>
#include <stdlib.h>

namespace
{
bool SameWord(const ZNString& word, const char* name)
{
    const char* a = word.CStr();
    for (; *a && *name; ++a, ++name)
        if (ZNToLower(*a) != *name)
            return false;
    return *a == *name;
}

// One checked line of the file, applied only once every line has passed.
struct ConfigLine
{
    ZNConVar* Var   = nullptr;   // set: this variable
    float     Value = 0.0f;
    UINT32    Key   = 0;   // bind: this key
    ZNString  Command;
    bool      UnbindAll = false;
};

// The words from the third on, as one command line again.
ZNString JoinCommand(const ZNArray<ZNString>& words)
{
    ZNString line;
    for (UINT32 i = 2; i < words.Size(); ++i)
    {
        if (i > 2)
            line += " ";
        // One word is the line itself; several keep their own quoting.
        const bool quote = words.Size() > 3 && (words[i].Empty() || words[i].Find(' ') >= 0 ||
                                                words[i].Find('\t') >= 0 || words[i].Find(';') >= 0);
        if (quote)
            line += "\"";
        line += words[i];
        if (quote)
            line += "\"";
    }
    return line;
}

// Makes every missing folder of an OS path ending with '/'.
void MakeFolders(const ZNString& folder)
{
    for (UINT32 i = 1; i < folder.Size(); ++i)
    {
        if (folder[i] != '/')
            continue;
        ZNString part;
        folder.Mid(0, i, part);
        const ZNString name = ZNConsolePathToEngineName(part.CStr());
        if (!IsDirectory(name))
            MakeDirectory(name);
    }
}
}   // namespace

ZNString ZNUserConfigFolder(const char* program, const ZNString& given)
{
    ZNString    folder;
    const char* chosen = given.Empty() ? getenv("ZN_CONFIG_DIR") : given.CStr();
    if (chosen && *chosen)
        folder = chosen;
    else
    {
        folder = ZNPlatformConfigFolder();
        if (folder.Empty())
            return folder;
        ToForwardSlashes(folder);
        if (folder[folder.Size() - 1] != '/')
            folder += "/";
        folder += program;
    }
    ToForwardSlashes(folder);
    if (folder[folder.Size() - 1] != '/')
        folder += "/";
    return folder;
}

ZNString ZNConfig::FilePath() const
{
    ZNString path(Folder);
    path += "config.cfg";
    return path;
}

ZNString ZNConfig::AutoexecPath() const
{
    ZNString path(Folder);
    path += "autoexec.cfg";
    return path;
}

ZNString ZNConfig::Text(const ZNBindings& bindings) const
{
    ZNString text("# Settings, written by the program when they change; edit them in its console\n"
                  "# (or here while it is not running). autoexec.cfg beside this file runs after it.\n");
    ZNConComRegistry().ForEach(
        [&](const ZNString& name, ZNConCom* cc)
        {
            const ZNConVar* var = (cc->Flags & ZNCF_Setting) ? dynamic_cast<const ZNConVar*>(cc) : nullptr;
            if (!var)
                return;
            text += "set ";
            text += name;
            text += " ";
            text += var->ValueText();
            text += "\n";
        });
    text += "unbindall\n";
    for (UINT32 k = 0; k < ZNBindings::KeyCount; ++k)
    {
        const ZNString& command = bindings.Command(k);
        if (command.Empty())
            continue;
        text += "bind ";
        text += ZNKeyName(k);
        // A command with quotes of its own is written as its words, which read
        // back as the same line.
        text += command.Find('"') >= 0 ? " " : " \"";
        text += command;
        text += command.Find('"') >= 0 ? "\n" : "\"\n";
    }
    return text;
}

ZNConfigLoad ZNConfig::Load(ZNBindings& bindings)
{
    Loaded       = true;
    Broken       = false;
    Written      = Text(bindings);   // the defaults: nothing to write until a change
    SeenSettings = ZNConVarSettingsRevision();
    SeenBindings = bindings.Revision;
    if (Folder.Empty())
        return ZNCL_Missing;

    const ZNString path = FilePath();
    const ZNString name = ZNConsolePathToEngineName(path.CStr());
    if (!PathExists(name))
        return ZNCL_Missing;
    ZNPodArray<UINT8> bytes;
    if (IsDirectory(name) || !ReadFileToArray(name, bytes))
    {
        ZNLog("config: cannot read '%s'; the defaults are used", path.CStr());
        Broken = true;
        return ZNCL_Broken;
    }

    ZNArray<ConfigLine> lines;
    UINT32              number = 0;
    UINT32              start  = 0;
    const char*         why    = nullptr;
    while (start < bytes.Size() && !why)
    {
        ++number;
        UINT32 end = start;
        while (end < bytes.Size() && bytes[end] != '\n')
            ++end;
        ZNString line(reinterpret_cast<const char*>(bytes.begin()) + start, end - start);
        for (UINT32 i = start; i < end; ++i)
            if (bytes[i] == 0)
                why = "is not a text file";
        start = end + 1;
        line.Trim();
        if (why || line.Empty() || line[0] == '#')
            continue;

        ZNArray<ZNString> words;
        ConfigLine        parsed;
        if (!ZNConsoleSplitArgs(line.CStr(), words) || words.Empty())
            why = "leaves a quote open";
        else if (SameWord(words[0], "set") && words.Size() == 3)
        {
            ZNConCom*    cc   = ZNConComFind(words[1]);
            char*        end2 = nullptr;
            const double v    = strtod(words[2].CStr(), &end2);
            if (words[2].Empty() || *end2 || !isfinite(v))
                why = "sets a value that is not a number";
            else if (!cc || !(cc->Flags & ZNCF_Setting) || !dynamic_cast<ZNConVar*>(cc))
                ZNLog("config: '%s' line %u: '%s' is not a setting of this program; the line is skipped", path.CStr(),
                      (unsigned)number, words[1].CStr());
            else
            {
                parsed.Var   = static_cast<ZNConVar*>(cc);
                parsed.Value = (float)v;
                lines.Add(parsed);
            }
        }
        else if (SameWord(words[0], "unbindall") && words.Size() == 1)
        {
            parsed.UnbindAll = true;
            lines.Add(parsed);
        }
        else if (SameWord(words[0], "bind") && words.Size() >= 3)
        {
            parsed.Key     = ZNKeyFromName(words[1].CStr());
            parsed.Command = JoinCommand(words);
            if (!parsed.Key || parsed.Key >= ZNBindings::KeyCount || parsed.Key == ZNK_Console)
                why = "binds a key that has no name";
            else
                lines.Add(parsed);
        }
        else
            why = "is not a setting ('set NAME VALUE', 'unbindall' or 'bind KEY COMMAND')";
    }
    if (why)
    {
        ZNLog("config: '%s' line %u %s; the file is ignored and the defaults are used", path.CStr(), (unsigned)number,
              why);
        Broken = true;
        return ZNCL_Broken;
    }

    for (const ConfigLine& line : lines)
    {
        if (line.Var)
            line.Var->Set(line.Value);
        else if (line.UnbindAll)
            bindings.UnbindAll();
        else
            bindings.Bind(line.Key, line.Command);
    }
    // What the file holds in the form it is written in: a file as written
    // stays as it is until something changes.
    Written      = Text(bindings);
    SeenSettings = ZNConVarSettingsRevision();
    SeenBindings = bindings.Revision;
    ZNLog("config: read '%s'", path.CStr());
    return ZNCL_Read;
}

bool ZNConfig::Save(const ZNBindings& bindings)
{
    if (!Loaded || Folder.Empty())
        return true;
    // Nothing kept changed: two compares, no text.
    if (SeenSettings == ZNConVarSettingsRevision() && SeenBindings == bindings.Revision)
        return !WriteFailed;
    SeenSettings = ZNConVarSettingsRevision();
    SeenBindings = bindings.Revision;
    ++TextBuilds;
    // A change and its undoing between two calls leave the file as it is.
    const ZNString text = Text(bindings);
    if (text == Written)
        return !WriteFailed;

    const ZNString path    = FilePath();
    const ZNString name    = ZNConsolePathToEngineName(path.CStr());
    ZNString       tmpPath = path;
    tmpPath += ".tmp";
    const ZNString tmp = ZNConsolePathToEngineName(tmpPath.CStr());
    if (Broken && PathExists(name))
    {
        // The file that was not used is kept for whoever wants to mend it.
        ZNString bad(path);
        bad += ".bad";
        if (MovePath(name, ZNConsolePathToEngineName(bad.CStr()), true))
            ZNLog("config: the unused '%s' is kept as '%s'", path.CStr(), bad.CStr());
    }
    MakeFolders(Folder);
    if (!WriteTextFile(tmp, text) || !MovePath(tmp, name, true))
    {
        DeleteFileOrDirectory(tmp.CStr());
        if (!WriteFailed)
            ZNLog("config: cannot write '%s'; the settings are not kept", path.CStr());
        WriteFailed = true;
        Written     = text;   // tried again at the next change, not every frame
        return false;
    }
    Broken      = false;
    WriteFailed = false;
    Written     = text;
    return true;
}
