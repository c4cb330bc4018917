#pragma once

#include <QString>
#include <optional>

// The boxes and outside programs the application shows or starts. The window uses the Qt
// implementation; tests use a scripted one that records every box and answers from a queue.
class Dialogs
{
public:
    enum class Answer
    {
        Ok,
        Cancel
    };

    struct OpenFileRequest
    {
        QString title;
        QString filter; // as "TXT (*.txt)|*.txt": description|pattern pairs
        QString initialFolder;
        QString defaultExtension;
    };

    struct SaveFileRequest
    {
        QString title;
        QString filter; // description|pattern pairs, as for opening
        QString suggestedName;
        QString defaultExtension;
    };

    virtual ~Dialogs() = default;

    // Modal warning box: exclamation icon, OK button.
    virtual void warning(const QString& prompt, const QString& title) = 0;
    // Modal question: OK and Cancel, no icon. Closing the box answers Cancel.
    virtual Answer question(const QString& prompt, const QString& title) = 0;
    // The open-file dialog; no value when the user cancels.
    virtual std::optional<QString> openFile(const OpenFileRequest& request) = 0;
    // The save-file dialog (it asks before replacing a file); no value when the user cancels.
    virtual std::optional<QString> saveFile(const SaveFileRequest& request) = 0;
    // Starts the user's text editor on the file, without waiting for it; the file need not
    // exist. When no editor can be started, throws std::runtime_error saying why.
    virtual void startEditor(const QString& path) = 0;
};
