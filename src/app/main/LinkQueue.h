#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

namespace quorvane {

class MainWindow;

// Links from the command line, of this start or of later ones, handed to the window one after the other
// in the order they came, once the event loop runs. The pipeline queues them in turn and never waits.
class LinkQueue : public QObject
{
    Q_OBJECT

public:
    using ParseOne = std::function<void(const QString&)>;

    explicit LinkQueue(ParseOne parse, QObject* parent = nullptr);

    // The way a user would parse a link: into the share-link box, then the parse button.
    static ParseOne throughParseButton(MainWindow& window);

    // Queues `links`; they are parsed once the event loop runs.
    void add(const QStringList& links);
    qsizetype pending() const { return m_pending.size(); }

private:
    void drain();

    ParseOne m_parse;
    QStringList m_pending;
    bool m_draining = false;
};

} // namespace quorvane
