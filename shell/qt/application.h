// SPDX-License-Identifier: MIT
#pragma once

#include "rules/caught_error.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace mrfyc {

class Exception;

// The Qt application with the event loop's error report: every error kind that escapes an event
// handler is reported and the loop goes on.
class TApplication : public QApplication
{
    Q_OBJECT

public:
    TApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // The widget that took the last mouse press while a button is still held, if any.
    QWidget *PressedWidget() const { return m_pressedWidget; }

public slots:
    // The user logs off or the system shuts down: every loop ends, an open notice with result 2.
    void EndSession();

private:
    void NoteMouseButtons(QObject *receiver, const QEvent &event);

    QPointer<QWidget> m_pressedWidget;
};

// "mrfyc": the caption of every notice and error box.
QString ApplicationTitle();

// Releases an explicit mouse grab and lets a widget that holds the mouse after a press (a held
// button or arrow) see the button go up outside of it, so that it neither clicks nor repeats.
void CancelMouseCapture();

// The event loop's report of an error that escaped a handler: releases a mouse grab, then (unless
// the error is an EAbort) shows the critical box titled with the application title.
void ReportError(const CaughtError &error);

} // namespace mrfyc
