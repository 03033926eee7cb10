// The console's own commands.
#include "ui/ZNConCommands.h"

#include "files/ZNDataPath.h"
#include "files/ZNFileIO.h"
#include "ui/ZNConsole.h"
#include "ui/ZNConsoleLine.h"

void ZNConsoleLinkCommands()
{
}

ZNString ZNConsolePathToEngineName(const char* path)
{
    return ZNUserPathToEngineName(path);
}

UINT32 ZNConsoleExecText(ZNConsole& console, const ZNString& text, const char* fileName)
{
    // A nested exec names its own file; the caller's comes back after it.
    const ZNString outerFile = console.ExecFile;
    const UINT32   outerLine = console.ExecFileLine;
    UINT32         run       = 0;
    UINT32         lineNo    = 0;
    const char*    p         = text.CStr();
    const char*    end       = p + text.Size();
    while (p < end)
    {
        ++lineNo;
        const char* lineEnd = p;
        while (lineEnd < end && *lineEnd != '\n')
            ++lineEnd;
        ZNString line(p, (UINT32)(lineEnd - p));
        line.Trim();
        if (!line.Empty() && line[0] != '#')
        {
            if (console.ExecLines >= ZNConsole::ExecLineLimit)
            {
                if (!console.ExecCut)
                    console.Printf("exec: more than %u script lines for one command: the rest not run",
                                   (unsigned)ZNConsole::ExecLineLimit);
                console.ExecCut = true;
                break;
            }
            ++console.ExecLines;
            console.ExecFile     = fileName ? fileName : "";
            console.ExecFileLine = lineNo;
            console.Execute(line.CStr());
            console.ExecFile     = outerFile;
            console.ExecFileLine = outerLine;
            ++run;
        }
        p = lineEnd + 1;
    }
    return run;
}

void ZNConsolePrintUsage(ZNConsole& console, const ZNConArgs& args)
{
    const ZNConFunc* self = args.Empty() ? nullptr : dynamic_cast<const ZNConFunc*>(ZNConComFind(args[0]));
    console.Error("usage: %s", self ? self->Usage.CStr() : (args.Empty() ? "" : args[0].CStr()));
}

namespace
{


// The variable named by args[1], or null after saying why not.
ZNConVar* NamedVariable(ZNConsole& console, const ZNConArgs& args)
{
    ZNConCom* cc = ZNConComFind(args[1]);
    if (!cc)
    {
        console.Error("%s: no variable '%s'", args[0].CStr(), args[1].CStr());
        return nullptr;
    }
    ZNConVar* var = dynamic_cast<ZNConVar*>(cc);
    if (!var)
        console.Error("%s: '%s' is a command, not a variable", args[0].CStr(), args[1].CStr());
    return var;
}

void Help(ZNConsole& console, const ZNConArgs& args)
{
    if (args.Size() > 2)
        return ZNConsolePrintUsage(console, args);
    if (args.Size() == 1)
    {
        console.AddLine("cmdlist lists the commands, cvarlist the variables; help NAME tells more about one.");
        console.AddLine("Tab completes a name, Up and Down recall typed lines, ';' separates commands.");
        return;
    }
    ZNConCom* cc = ZNConComFind(args[1]);
    if (!cc)
        return (void)console.Error("help: no command or variable '%s'", args[1].CStr());
    if (ZNConVar* var = dynamic_cast<ZNConVar*>(cc))
    {
        console.Printf("%s = %s (%s)", var->Name.CStr(), var->ValueText().CStr(), var->RangeText().CStr());
        console.Printf("  %s", var->Description.CStr());
        return;
    }
    if (ZNConFunc* fn = dynamic_cast<ZNConFunc*>(cc))
        console.Printf("%s", fn->Usage.CStr());
    else
        console.Printf("%s", cc->Name.CStr());
    console.Printf("  %s", cc->Description.CStr());
}

// Lists the registry's commands (wantVariables false) or variables (true).
void List(ZNConsole& console, const ZNConArgs& args, bool wantVariables)
{
    if (args.Size() > 2)
        return ZNConsolePrintUsage(console, args);
    const ZNString prefix = args.Size() > 1 ? args[1] : ZNString();
    UINT32         shown  = 0;
    ZNConComRegistry().ForEach(
        [&](const ZNString&, ZNConCom* cc)
        {
            ZNConVar* var = dynamic_cast<ZNConVar*>(cc);
            if (!cc || (var != nullptr) != wantVariables ||
                !ZNConsoleNameStartsWith(cc->Name, prefix.CStr(), prefix.Size()))
                return;
            const ZNString& name = cc->Name;
            if (var)
                console.Printf("%-22s %-8s default %-8s %-22s %s", name.CStr(), var->ValueText().CStr(),
                               var->DefaultText().CStr(), var->RangeText().CStr(), var->Description.CStr());
            else
                console.Printf("%-22s %s", name.CStr(), cc->Description.CStr());
            ++shown;
        });
    console.Printf("%u %s", (unsigned)shown, wantVariables ? "variables" : "commands");
}

void CmdList(ZNConsole& console, const ZNConArgs& args)
{
    List(console, args, false);
}
void CvarList(ZNConsole& console, const ZNConArgs& args)
{
    List(console, args, true);
}

void Set(ZNConsole& console, const ZNConArgs& args)
{
    if (args.Size() != 3)
        return ZNConsolePrintUsage(console, args);
    if (ZNConVar* var = NamedVariable(console, args))
        var->Execute(console, args[2]);
}

void Toggle(ZNConsole& console, const ZNConArgs& args)
{
    if (args.Size() != 2)
        return ZNConsolePrintUsage(console, args);
    ZNConVar* var = NamedVariable(console, args);
    if (!var)
        return;
    // A list toggles between its first and last value, a range between its ends.
    const float low  = var->Allowed.Empty() ? var->Min : var->Allowed[0];
    const float high = var->Allowed.Empty() ? var->Max : var->Allowed.Last();
    var->Set(var->Value == low ? high : low);
    var->Execute(console, ZNString());
}

void Echo(ZNConsole& console, const ZNConArgs& args)
{
    ZNString text;
    for (UINT32 i = 1; i < args.Size(); ++i)
    {
        if (i > 1)
            text += " ";
        text += args[i];
    }
    console.AddLine(text.CStr());
}

// The folder (engine name) of the script exec runs now; empty at the console.
ZNString GExecFolder;

void Exec(ZNConsole& console, const ZNConArgs& args)
{
    if (args.Size() != 2)
        return ZNConsolePrintUsage(console, args);
    // As typed (absolute, or from the current folder), beside the calling
    // script, then in the data folder.
    ZNString name, why, text;
    if (!ZNFindUserFile(args[1].CStr(), GExecFolder.CStr(), ZNUF_Read, name, why))
        return (void)console.Error("exec: %s", why.CStr());
    if (!ReadTextFile(name, text))
        return (void)console.Error("exec: cannot read '%s'", args[1].CStr());
    const ZNString caller = GExecFolder;
    GExecFolder           = GetDirectory(name);
    ZNConsoleExecText(console, text, args[1].CStr());
    GExecFolder = caller;
}

ZNConFunc GHelp("help", "help [NAME]", "what a command or variable does", Help, ZNCF_TakesName);
ZNConFunc GCmdList("cmdlist", "cmdlist [PREFIX]", "lists the commands (starting with PREFIX)", CmdList);
ZNConFunc GCvarList("cvarlist", "cvarlist [PREFIX]", "lists the variables: name, value, default, range, description",
                    CvarList);
ZNConFunc GSet("set", "set NAME VALUE", "sets a variable", Set, ZNCF_TakesVariable);
ZNConFunc GToggle("toggle", "toggle NAME", "switches a variable between its lowest and highest value", Toggle,
                  ZNCF_TakesVariable);
ZNConFunc GEcho("echo", "echo TEXT", "prints TEXT", Echo);
ZNConFunc GExec("exec", "exec FILE", "runs the console lines of a text file ('#' starts a comment)", Exec);
}
