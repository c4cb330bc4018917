#pragma once

#include "script/ScriptStep.h"

#include <QByteArray>
#include <QString>

namespace script {

// Parses a whole script (UTF-8 text). `fileName` names it in error messages; `folder` is where
// the script's relative file names are looked up. A fault throws ScriptError with its line.
Script parseScript(const QByteArray& text, const QString& fileName, const QString& folder);

// Reads and parses the script file, or standard input for "-". A file that cannot be read
// throws ScriptError.
Script loadScript(const QString& path);

} // namespace script
