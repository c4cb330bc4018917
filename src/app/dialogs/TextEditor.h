#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// The command that opens one file in the user's plain-text editor.
struct EditorCommand
{
    QString program; // absolute
    QStringList arguments;
};

// Finds the desktop's default application for text/plain the way the desktop does: the
// "Default Applications" and then "Added Associations" of each mimeapps.list in the XDG
// configuration and data folders (desktop-specific lists first), then the mimeinfo.cache of each
// applications folder, and last a few common graphical editors on PATH. An application counts
// when its desktop entry is found, not hidden, runs without a terminal and its program is
// installed. Its Exec line is split as the desktop entry format says, with the file as one
// argument in place of %f, %F, %u or %U (appended when there is none). The file need not exist.
// Throws std::runtime_error saying why when nothing fits.
EditorCommand findTextEditor(const QString& file, const QProcessEnvironment& environment);

// Starts findTextEditor's command without a shell and without waiting for it. Throws
// std::runtime_error saying why when no editor can be started.
void startTextEditor(const QString& file, const QProcessEnvironment& environment);
