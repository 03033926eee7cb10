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

// Tab completion of the last command on the line. The word completed is the
// command name being typed, or the first argument of a command named in
// nameTakers (commands that take a command or variable name, like "set").
// matches receives the names (from the ascending list names) that start with
// that word. One match: the word becomes the name and a space follows. Several:
// the word grows to their longest common prefix. None, or nothing to complete:
// the line comes back unchanged.
ZNString ZNConsoleCompleteLine(const ZNString& line, const ZNArray<ZNString>& names,
                               const ZNArray<ZNString>& nameTakers, ZNArray<ZNString>& matches);
