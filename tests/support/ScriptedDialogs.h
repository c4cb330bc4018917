#pragma once

#include "services/Dialogs.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <functional>
#include <optional>

// Dialogs for tests: records every box, answers questions from a queue and open-file requests
// from another, and records editor starts (attempts included) instead of starting anything.
class ScriptedDialogs : public Dialogs
{
public:
    enum class Kind
    {
        Warning,
        Question
    };

    struct Box
    {
        Kind kind = Kind::Warning;
        QString prompt;
        QString title;
        bool exclamationIcon = false;
        bool cancelButton = false;      // OK and Cancel, else OK alone
        Answer answer = Answer::Ok;     // what the scripted user pressed
        bool answeredByDefault = false; // the queue was empty: Cancel
    };

    void warning(const QString& prompt, const QString& title) override;
    Answer question(const QString& prompt, const QString& title) override;
    std::optional<QString> openFile(const OpenFileRequest& request) override;
    void startEditor(const QString& path) override;
    std::optional<QString> saveFile(const SaveFileRequest& request) override;

    // Answers for the next questions, in order. With none left a question answers Cancel.
    void queueAnswer(Answer answer) { m_answers.enqueue({answer, {}}); }
    // The same, doing whileOpen first, as a user acts while the box is open (closes the printer
    // cover, say) before pressing the button.
    void queueAnswer(Answer answer, std::function<void()> whileOpen)
    {
        m_answers.enqueue({answer, std::move(whileOpen)});
    }
    // Results of the next open-file dialogs; no value stands for Cancel, as does an empty queue.
    void queueOpenFile(std::optional<QString> result) { m_files.enqueue(std::move(result)); }
    // Results of the next save-file dialogs; no value (or an empty queue) stands for Cancel.
    void queueSaveFile(std::optional<QString> result) { m_saveFiles.enqueue(std::move(result)); }
    const QList<SaveFileRequest>& saveFileRequests() const { return m_saveFileRequests; }
    // Makes the next editor starts fail with this reason; an empty one lets them start again.
    void setEditorFailure(const QString& reason) { m_editorFailure = reason; }

    const QList<Box>& boxes() const { return m_boxes; }
    const QList<OpenFileRequest>& openFileRequests() const { return m_openFileRequests; }
    const QStringList& editorStarts() const { return m_editorPaths; }
    int pendingAnswers() const { return int(m_answers.size()); }
    // The prompts of every box so far, in order; handy in comparisons.
    QStringList prompts() const;
    void clear();

private:
    struct ScriptedAnswer
    {
        Answer answer;
        std::function<void()> whileOpen;
    };

    QList<Box> m_boxes;
    QQueue<ScriptedAnswer> m_answers;
    QQueue<std::optional<QString>> m_files;
    QList<OpenFileRequest> m_openFileRequests;
    QQueue<std::optional<QString>> m_saveFiles;
    QList<SaveFileRequest> m_saveFileRequests;
    QStringList m_editorPaths;
    QString m_editorFailure;
};
