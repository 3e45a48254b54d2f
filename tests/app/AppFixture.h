#pragma once

#include "app/Application.h"
#include "app/desktop/Dialogs.h"
#include "app/desktop/TrayIcon.h"
#include "base/CharsetConverter.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace quorvane::test {

// Answers the program's dialogs from a script and records what was asked.
struct DialogScript
{
    bool confirmAnswer = false;
    QString folderAnswer;  // empty: cancelled
    int choiceAnswer = -1; // the button picked in a question with several; -1: the box closed
    QStringList confirms;
    QStringList warnings;
    QStringList folderTitles;
    QStringList choices;
};

class FakeDialogs : public Dialogs
{
public:
    explicit FakeDialogs(std::shared_ptr<DialogScript> script) : m_script(std::move(script)) {}
    bool confirm(const QString& text, const QString& caption) override
    {
        m_script->confirms << caption + QLatin1Char('|') + text;
        return m_script->confirmAnswer;
    }
    void warn(const QString& text, const QString& caption) override
    {
        m_script->warnings << caption + QLatin1Char('|') + text;
    }
    QString chooseFolder(QWidget*, const QString& title, const QString&) override
    {
        m_script->folderTitles << title;
        return m_script->folderAnswer;
    }
    int choose(const QString& text, const QString& caption, const QStringList& buttons) override
    {
        m_script->choices << caption + QLatin1Char('|') + text + QLatin1Char('|') +
                                 buttons.join(QLatin1Char('/'));
        return m_script->choiceAnswer;
    }

private:
    std::shared_ptr<DialogScript> m_script;
};

// One program instance over a private configuration folder. The settings file may be given beforehand
// (UTF-8 here, stored as GB18030 like the real file). Windows keeps settings in one fixed place; a file
// found there is moved aside for the test and put back afterwards.
class AppFixture
{
public:
    explicit AppFixture(std::optional<QString> settingsUtf8 = std::nullopt)
    {
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        // The history and the cover cache go to the private folder too, never to the user's.
        qputenv("XDG_DATA_HOME", (m_config.path() + QStringLiteral("/data")).toUtf8());
        qputenv("XDG_CACHE_HOME", (m_config.path() + QStringLiteral("/cache")).toUtf8());
#ifdef Q_OS_WIN
        QFile::remove(backupPath());
        QFile::rename(settingsPath(), backupPath());
#endif
        if (settingsUtf8)
            writeSettings(*settingsUtf8);
        app = std::make_unique<Application>(std::make_unique<FakeDialogs>(dialogs));
        app->setTerminator([this](int status) { exitStatus = status; });
        // The offscreen platform has no tray host; the tests act as on a desktop with one.
        app->trayIcon().setAvailabilityCheck([] { return true; });
    }

    ~AppFixture()
    {
        app.reset();
#ifdef Q_OS_WIN
        QFile::remove(settingsPath());
        QFile::rename(backupPath(), settingsPath());
#endif
    }
    AppFixture(const AppFixture&) = delete;
    AppFixture& operator=(const AppFixture&) = delete;

    QString configPath() const
    {
        return m_config.path();
    }
#ifdef Q_OS_WIN
    QString settingsFolder() const
    {
        return QStringLiteral("C:/quibexlar");
    }
#else
    QString settingsFolder() const
    {
        return m_config.path() + QStringLiteral("/quibexlar");
    }
#endif
    QString settingsPath() const
    {
        return settingsFolder() + QStringLiteral("/set.ini");
    }

    void writeSettings(const QString& utf8) const
    {
        QDir().mkpath(settingsFolder());
        QFile file(settingsPath());
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray::fromStdString(CharsetConverter::utf8ToText(utf8.toStdString())));
    }

    // The settings file decoded from GB18030; a null string when it is missing.
    QString readSettings() const
    {
        QFile file(settingsPath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromStdString(CharsetConverter::textToUtf8(file.readAll().toStdString()));
    }

    std::shared_ptr<DialogScript> dialogs = std::make_shared<DialogScript>();
    std::optional<int> exitStatus;
    std::unique_ptr<Application> app;

private:
    QString backupPath() const
    {
        return m_config.path() + QStringLiteral("/set.ini.before-test");
    }

    QTemporaryDir m_config;
};

} // namespace quorvane::test
