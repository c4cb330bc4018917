#pragma once

#include "services/Dialogs.h"

#include <QPointer>
#include <QWidget>

// The dialogs as the user sees them: Qt message boxes, the Qt file dialog, and the desktop's
// default application for plain text as the editor (see TextEditor.h).
class QtDialogs : public Dialogs
{
public:
    // The window the boxes belong to; until one is set they are centred on the screen.
    void setParentWindow(QWidget* window) { m_parent = window; }

    void warning(const QString& prompt, const QString& title) override;
    Answer question(const QString& prompt, const QString& title) override;
    std::optional<QString> openFile(const OpenFileRequest& request) override;
    void startEditor(const QString& path) override;
    std::optional<QString> saveFile(const SaveFileRequest& request) override;

private:
    QPointer<QWidget> m_parent;
};

// Turns a filter of description|pattern pairs ("TXT (*.txt)|*.txt|All|*.*") into Qt's form
// ("TXT (*.txt);;All (*.*)"); patterns separated by ";" become blank-separated.
QString qtFileFilter(const QString& filter);
