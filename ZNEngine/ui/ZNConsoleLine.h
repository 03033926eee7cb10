// ZNConsoleLine: the console's text handling as pure functions: splitting a line
// into commands at ';', a command's arguments into words with double quotes, and
// Tab completion of names. No registry, no console, no GL, so the input handling
// can be tested and fuzzed on its own.
//
//   ZNArray<ZNString> commands;  ZNConsoleSplitCommands("set a 1; echo \"x;y\"", commands);
//   // -> "set a 1", " echo \"x;y\""
//   ZNArray<ZNString> words;     ZNConsoleSplitArgs("map \"my h.png\" c.png", words);
//   // -> "map", "my h.png", "c.png"
//
// Guarantees:
// - Any byte string is accepted: nothing reads past the terminator, and every
//   function finishes in time linear in the length of its input (completion also
//   in the number of names).
// - Inside double quotes ';' and white space are ordinary characters; quotes
//   never appear in the words SplitArgs returns. An unterminated quote runs to the
//   end of the text and is reported by the return value.
// - Splitting keeps every character of the line except the separating ';'.
#pragma once

#include "core/ZNTemplate.h"

// Space, tab, line feed and carriage return: what separates names and words.
bool ZNConsoleIsSpace(char c);
// ASCII letters, digits and '_': the characters of command names.
bool ZNConsoleIsNameChar(char c);

// The commands of a line, split at each ';' outside double quotes (out is
// replaced; empty commands are kept, so "a;;b" gives three).
void ZNConsoleSplitCommands(const char* line, ZNArray<ZNString>& out);

// Words separated by white space; a double-quoted part belongs to the word it
// touches ("a"b is the word ab) and may hold white space; "" alone is an empty
// word. out is replaced. False when a quote was left open.
bool ZNConsoleSplitArgs(const char* text, ZNArray<ZNString>& out);

// The line without its comment: from a '#' outside double quotes that starts a
// word (at the start, or after white space or ';') to the end. "a#b" keeps its '#'.
ZNString ZNConsoleStripComment(const ZNString& line);

// Case-insensitive comparison of a name with a typed prefix or name.
bool ZNConsoleNameStartsWith(const ZNString& name, const char* prefix, UINT32 length);
bool ZNConsoleNameEquals(const ZNString& a, const ZNString& b);

// The names Tab completes from, each list in ascending case-insensitive order.
struct ZNConsoleNames
{
    ZNArray<ZNString> Commands;         // commands that are not variables
    ZNArray<ZNString> Variables;        // variables
    ZNArray<ZNString> NameTakers;       // commands whose first argument is any name ("help")
    ZNArray<ZNString> VariableTakers;   // commands whose first argument is a variable ("set")
};

// Tab completion of the last command on the line. The word completed is the
// command name being typed (any command or variable fits there), or the first
// argument of a name taker (any name) or of a variable taker (variables only);
// nothing else completes. matches receives the fitting names that start with
// that word, letter case aside, in ascending order. One match: the word
// becomes the name and a space follows. Several: the word grows to their
// longest common prefix. None, or nothing to complete: the line comes back
// unchanged.
ZNString ZNConsoleCompleteLine(const ZNString& line, const ZNConsoleNames& names, ZNArray<ZNString>& matches);
