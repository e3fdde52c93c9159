#pragma once

#include <QApplication>

namespace mrfyc {

// The Qt application with the event loop's error report: every error kind that escapes an event
// handler is reported and the loop goes on.
class TApplication : public QApplication
{
    Q_OBJECT

public:
    TApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace mrfyc
