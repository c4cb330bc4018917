#pragma once

#include "script/ScriptStep.h"

#include <QByteArray>
#include <QString>

namespace script {

// A script is text a person wrote; anything larger is the wrong file (or an endless device).
inline constexpr qsizetype kMaxScriptBytes = 64 * 1024 * 1024;

// Parses a whole script (UTF-8 text). `fileName` names it in error messages; `folder` is where
// the script's relative file names are looked up. A fault throws ScriptError with its line.
Script parseScript(const QByteArray& text, const QString& fileName, const QString& folder);

// Reads the script file (also a pipe or FIFO), or standard input for "-", to its end and parses
// it. A file that cannot be read, is too large or is not text throws ScriptError.
Script loadScript(const QString& path);

} // namespace script
