#include "app/dialogs/QtDialogs.h"

#include "app/dialogs/TextEditor.h"
#include "app/window/TitleFit.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QProcessEnvironment>
#include <QRegularExpression>

namespace {

// A box blocks the main window only: the virtual devices window stays usable, so that a
// technician can close the printer's cover while "retry?" is asked. Its title shows whole.
void showBlockingOnlyTheParent(QDialog& box)
{
    if (box.parentWidget())
        box.setWindowModality(Qt::WindowModal);
    fitTitle(box);
}

} // namespace

void QtDialogs::warning(const QString& prompt, const QString& title)
{
    QMessageBox box(QMessageBox::Warning, title, prompt, QMessageBox::Ok, m_parent);
    showBlockingOnlyTheParent(box);
    box.exec();
}

Dialogs::Answer QtDialogs::question(const QString& prompt, const QString& title)
{
    QMessageBox box(QMessageBox::NoIcon, title, prompt, QMessageBox::Ok | QMessageBox::Cancel,
                    m_parent);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel); // closing the box answers Cancel
    showBlockingOnlyTheParent(box);
    return box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

std::optional<QString> QtDialogs::openFile(const OpenFileRequest& request)
{
    QFileDialog dialog(m_parent, request.title, request.initialFolder,
                       qtFileFilter(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The name comes back as chosen: the default extension is not added to a typed name
    // without one, which would turn an existing file "noext" into a missing "noext.txt".
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void QtDialogs::startEditor(const QString& path)
{
    startTextEditor(path, QProcessEnvironment::systemEnvironment());
}

std::optional<QString> QtDialogs::saveFile(const SaveFileRequest& request)
{
    QFileDialog dialog(m_parent, request.title, request.suggestedName,
                       qtFileFilter(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString(request.defaultExtension).remove(u'*').remove(u'.'));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

QString qtFileFilter(const QString& filter)
{
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        description.remove(trailingPatterns);
        const QString patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts).join(u' ');
        filters.append(QStringLiteral("%1 (%2)").arg(description.trimmed(), patterns.trimmed()));
    }
    return filters.join(QStringLiteral(";;"));
}
