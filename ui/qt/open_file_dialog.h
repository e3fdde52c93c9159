// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>

class QFileDialog;
class QWidget;

namespace mrfyc {

// The open-file dialog of the main window: a Qt file dialog object (not the static helper) that
// remembers the last confirmed file for the next opening and stands centred across and one third
// down the monitor of the active window.
class OpenFileDialog : public QObject
{
    Q_OBJECT

public:
    // Test seam: answers in place of the user, given the dialog as it would have been shown
    // (the log files' filter, preselected file and position already set). nullopt cancels.
    using Answerer = std::function<std::optional<QString>(QFileDialog &dialog)>;

    explicit OpenFileDialog(QObject *parent = nullptr);
    ~OpenFileDialog() override;

    QString FileName() const { return m_fileName; }

    // Shows the dialog modally over owner. True when the user confirmed a file, which FileName
    // then holds; false when cancelled, and then nothing changes.
    bool Execute(QWidget *owner);

    void setAnswerer(Answerer answerer) { m_answerer = std::move(answerer); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool IsInClosedDialog(QObject *object) const;

    // The last dialog stays (hidden) until the next one: keys that the window system still sends
    // to it once it is closed are passed on to the window in front instead of being lost.
    QPointer<QFileDialog> m_dialog;
    QString m_fileName;
    Answerer m_answerer;
};

} // namespace mrfyc
