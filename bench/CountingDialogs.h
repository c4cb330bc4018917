#pragma once

#include "services/Dialogs.h"

// Dialogs for benchmarks: nothing is shown, every box is counted, and every question gets the
// same answer.
class CountingDialogs : public Dialogs
{
public:
    explicit CountingDialogs(Answer answer = Answer::Cancel) : m_answer(answer) {}

    void warning(const QString&, const QString&) override { ++boxes; }
    Answer question(const QString&, const QString&) override
    {
        ++boxes;
        return m_answer;
    }
    std::optional<QString> openFile(const OpenFileRequest&) override { return std::nullopt; }
    std::optional<QString> saveFile(const SaveFileRequest&) override { return std::nullopt; }
    void startEditor(const QString&) override {}

    int boxes = 0;

private:
    Answer m_answer;
};
