#include "app/QtDialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QUrl>

namespace {

// A box blocks the main window only: the virtual devices window stays usable, so that a
// technician can close the printer's cover while "retry?" is asked.
void showBlockingOnlyTheParent(QDialog& box)
{
    if (box.parentWidget())
        box.setWindowModality(Qt::WindowModal);
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
    // "*.txt" and ".txt" both mean the suffix "txt".
    QString suffix = request.defaultExtension;
    suffix.remove(QRegularExpression(QStringLiteral("^\\*?\\.")));
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

bool QtDialogs::startEditor(const QString& path)
{
    // The path travels as a URL to the desktop's opener, never through a shell. A file URL
    // needs an absolute path; a relative one is taken from the current folder.
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
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
