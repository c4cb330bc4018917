#include "app/dialogs/TextEditor.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>
#include <optional>
#include <stdexcept>

namespace {

const QString kMimeType = QStringLiteral("text/plain");

// Tried in this order when no desktop association names an editor that can start.
const QStringList kFallbackEditors = {
    QStringLiteral("gnome-text-editor"),
    QStringLiteral("gedit"),
    QStringLiteral("kate"),
    QStringLiteral("kwrite"),
    QStringLiteral("mousepad"),
    QStringLiteral("pluma"),
    QStringLiteral("xed"),
    QStringLiteral("featherpad"),
    QStringLiteral("geany"),
};

QStringList splitPaths(const QString& list)
{
    return list.split(u':', Qt::SkipEmptyParts);
}

QStringList configDirs(const QProcessEnvironment& env)
{
    const QString home = env.value(QStringLiteral("XDG_CONFIG_HOME"),
                                   env.value(QStringLiteral("HOME")) + QStringLiteral("/.config"));
    QStringList system = splitPaths(env.value(QStringLiteral("XDG_CONFIG_DIRS")));
    if (system.isEmpty())
        system = {QStringLiteral("/etc/xdg")};
    return QStringList{home} + system;
}

QStringList applicationDirs(const QProcessEnvironment& env)
{
    const QString home =
        env.value(QStringLiteral("XDG_DATA_HOME"),
                  env.value(QStringLiteral("HOME")) + QStringLiteral("/.local/share"));
    QStringList system = splitPaths(env.value(QStringLiteral("XDG_DATA_DIRS")));
    if (system.isEmpty())
        system = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    QStringList dirs;
    for (const QString& dir : QStringList{home} + system)
        dirs.append(dir + QStringLiteral("/applications"));
    return dirs;
}

// The keys and values of one [section] of a desktop-style file; empty when it is not there.
QHash<QString, QString> readSection(const QString& path, const QString& section)
{
    QHash<QString, QString> values;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return values;
    QTextStream in(&file);
    bool inSection = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(u'[')) {
            inSection = line == u'[' + section + u']';
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (inSection && equals > 0 && !line.startsWith(u'#'))
            values.insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
    }
    return values;
}

// The desktop file IDs associated with text/plain, most preferred first.
QStringList associatedApplications(const QProcessEnvironment& env)
{
    QStringList lists;
    const QStringList desktops =
        env.value(QStringLiteral("XDG_CURRENT_DESKTOP")).toLower().split(u':', Qt::SkipEmptyParts);
    const auto addLists = [&lists, &desktops](const QString& dir) {
        for (const QString& desktop : desktops)
            lists.append(dir + u'/' + desktop + QStringLiteral("-mimeapps.list"));
        lists.append(dir + QStringLiteral("/mimeapps.list"));
    };
    for (const QString& dir : configDirs(env))
        addLists(dir);
    for (const QString& dir : applicationDirs(env))
        addLists(dir);

    QStringList ids;
    const auto add = [&ids](const QString& value) {
        for (const QString& id : value.split(u';', Qt::SkipEmptyParts))
            if (!ids.contains(id.trimmed()))
                ids.append(id.trimmed());
    };
    for (const QString& section :
         {QStringLiteral("Default Applications"), QStringLiteral("Added Associations")})
        for (const QString& list : lists)
            add(readSection(list, section).value(kMimeType));
    for (const QString& dir : applicationDirs(env))
        add(readSection(dir + QStringLiteral("/mimeinfo.cache"), QStringLiteral("MIME Cache"))
                .value(kMimeType));
    return ids;
}

// The escapes of a desktop entry's string value: \s \n \t \r \\.
QString unescapeValue(const QString& value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const QChar next = value[++i];
        if (next == u's')
            out += u' ';
        else if (next == u'n')
            out += u'\n';
        else if (next == u't')
            out += u'\t';
        else if (next == u'r')
            out += u'\r';
        else
            out += next;
    }
    return out;
}

// Splits an Exec line into its arguments: blanks separate, double quotes group, and inside them
// a backslash keeps the next character. Each argument says whether it was quoted, since field
// codes are not expanded inside quotes.
struct ExecArgument
{
    QString text;
    bool quoted = false;
};

std::optional<QList<ExecArgument>> splitExec(const QString& exec)
{
    QList<ExecArgument> arguments;
    ExecArgument current;
    bool inArgument = false;
    bool inQuotes = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (inQuotes) {
            if (c == u'"')
                inQuotes = false;
            else if (c == u'\\' && i + 1 < exec.size())
                current.text += exec[++i];
            else
                current.text += c;
        } else if (c == u' ' || c == u'\t') {
            if (inArgument)
                arguments.append(std::exchange(current, {}));
            inArgument = false;
        } else if (c == u'"') {
            inQuotes = inArgument = current.quoted = true;
        } else {
            current.text += c;
            inArgument = true;
        }
    }
    if (inQuotes)
        return std::nullopt;
    if (inArgument)
        arguments.append(current);
    return arguments;
}

// Replaces the field codes of one unquoted argument; the file codes take the file.
QString expandFieldCodes(const QString& argument, const QString& file, bool& fileUsed)
{
    QString out;
    for (qsizetype i = 0; i < argument.size(); ++i) {
        if (argument[i] != u'%' || i + 1 == argument.size()) {
            out += argument[i];
            continue;
        }
        const QChar code = argument[++i];
        if (code == u'%') {
            out += u'%';
        } else if (QStringLiteral("fFuU").contains(code)) {
            if (!fileUsed)
                out += file;
            fileUsed = true;
        }
        // The other codes (icon, name, location, deprecated ones) give nothing here.
    }
    return out;
}

struct Candidate
{
    std::optional<EditorCommand> command;
    QString whyNot;
};

QString findProgram(const QString& name, const QProcessEnvironment& env)
{
    if (QDir::isAbsolutePath(name))
        return QFile::exists(name) ? name : QString();
    return QStandardPaths::findExecutable(name, splitPaths(env.value(QStringLiteral("PATH"))));
}

Candidate fromDesktopEntry(const QString& id, const QString& file, const QProcessEnvironment& env)
{
    QString entryPath;
    for (const QString& dir : applicationDirs(env)) {
        if (QFile::exists(dir + u'/' + id)) {
            entryPath = dir + u'/' + id;
            break;
        }
    }
    if (entryPath.isEmpty())
        return {std::nullopt, id + QStringLiteral(" is not installed")};
    const QHash<QString, QString> entry = readSection(entryPath, QStringLiteral("Desktop Entry"));
    if (entry.value(QStringLiteral("Hidden")) == QStringLiteral("true"))
        return {std::nullopt, id + QStringLiteral(" is hidden")};
    if (entry.value(QStringLiteral("Terminal")) == QStringLiteral("true"))
        return {std::nullopt, id + QStringLiteral(" runs in a terminal")};
    const QString tryExec = unescapeValue(entry.value(QStringLiteral("TryExec")));
    if (!tryExec.isEmpty() && findProgram(tryExec, env).isEmpty())
        return {std::nullopt,
                id + QStringLiteral(": ") + tryExec + QStringLiteral(" is not installed")};
    const std::optional<QList<ExecArgument>> exec =
        splitExec(unescapeValue(entry.value(QStringLiteral("Exec"))));
    if (!exec || exec->isEmpty())
        return {std::nullopt, id + QStringLiteral(" has no usable Exec line")};

    bool fileUsed = false;
    QStringList arguments;
    for (const ExecArgument& argument : *exec) {
        QString text =
            argument.quoted ? argument.text : expandFieldCodes(argument.text, file, fileUsed);
        // A field code standing alone that expands to nothing leaves no argument behind.
        if (!text.isEmpty() || argument.quoted)
            arguments.append(text);
    }
    if (!fileUsed)
        arguments.append(file);
    const QString program = findProgram(arguments.takeFirst(), env);
    if (program.isEmpty())
        return {std::nullopt, id + QStringLiteral(": ") + exec->constFirst().text +
                                  QStringLiteral(" is not installed")};
    return {EditorCommand{program, arguments}, {}};
}

} // namespace

EditorCommand findTextEditor(const QString& file, const QProcessEnvironment& environment)
{
    QStringList reasons;
    for (const QString& id : associatedApplications(environment)) {
        Candidate candidate = fromDesktopEntry(id, file, environment);
        if (candidate.command)
            return *candidate.command;
        reasons.append(candidate.whyNot);
    }
    for (const QString& name : kFallbackEditors)
        if (const QString program = findProgram(name, environment); !program.isEmpty())
            return {program, {file}};
    if (reasons.isEmpty())
        reasons.append(QStringLiteral("the desktop associates no application with ") + kMimeType);
    throw std::runtime_error(
        QString(QStringLiteral("No text editor can be started: ") +
                reasons.join(QStringLiteral("; ")) + QStringLiteral("; and none of ") +
                kFallbackEditors.join(QStringLiteral(", ")) + QStringLiteral(" is installed."))
            .toStdString());
}

void startTextEditor(const QString& file, const QProcessEnvironment& environment)
{
    const EditorCommand command = findTextEditor(file, environment);
    QProcess process;
    process.setProgram(command.program);
    process.setArguments(command.arguments);
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!process.startDetached())
        throw std::runtime_error(QString(QStringLiteral("The text editor ") + command.program +
                                         QStringLiteral(" cannot be started: ") +
                                         process.errorString())
                                     .toStdString());
}
