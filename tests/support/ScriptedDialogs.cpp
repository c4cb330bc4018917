#include "support/ScriptedDialogs.h"

#include <stdexcept>

void ScriptedDialogs::warning(const QString& prompt, const QString& title)
{
    m_boxes.append({Kind::Warning, prompt, title, true, false, Answer::Ok, false});
}

Dialogs::Answer ScriptedDialogs::question(const QString& prompt, const QString& title)
{
    const bool byDefault = m_answers.isEmpty();
    const ScriptedAnswer scripted =
        byDefault ? ScriptedAnswer{Answer::Cancel, {}} : m_answers.dequeue();
    m_boxes.append({Kind::Question, prompt, title, false, true, scripted.answer, byDefault});
    if (scripted.whileOpen)
        scripted.whileOpen();
    return scripted.answer;
}

std::optional<QString> ScriptedDialogs::openFile(const OpenFileRequest& request)
{
    m_openFileRequests.append(request);
    return m_files.isEmpty() ? std::nullopt : m_files.dequeue();
}

std::optional<QString> ScriptedDialogs::saveFile(const SaveFileRequest& request)
{
    m_saveFileRequests.append(request);
    return m_saveFiles.isEmpty() ? std::nullopt : m_saveFiles.dequeue();
}

void ScriptedDialogs::startEditor(const QString& path)
{
    m_editorPaths.append(path);
    if (!m_editorFailure.isEmpty())
        throw std::runtime_error(m_editorFailure.toStdString());
}

QStringList ScriptedDialogs::prompts() const
{
    QStringList prompts;
    for (const Box& box : m_boxes)
        prompts.append(box.prompt);
    return prompts;
}

void ScriptedDialogs::clear()
{
    m_boxes.clear();
    m_answers.clear();
    m_files.clear();
    m_openFileRequests.clear();
    m_saveFiles.clear();
    m_saveFileRequests.clear();
    m_editorPaths.clear();
}
