// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QString>

#include <future>
#include <thread>

namespace mrfyc {

// Start-up work that the window needs but the main thread need not do, on a second thread while
// the application connects to the display and the window is built: fontconfig reads its
// configuration (some hundred XML files, read when the first font is resolved otherwise), then
// the window icon is decoded, which loads Qt's image plugins and so waits until the plugin folders
// are checked. Without a second thread (see the constructor) each is done in line when needed.
class StartupLoads
{
public:
    explicit StartupLoads(QString iconPath);
    ~StartupLoads();
    StartupLoads(const StartupLoads &) = delete;
    StartupLoads &operator=(const StartupLoads &) = delete;

    // Qt searches its own plugin folder alone from now on: the icon may be decoded.
    void PluginFoldersChecked();
    void WaitForFontConfiguration();
    // Waits for the decoded icon, once; none before the plugin folders are checked.
    QImage TakeIcon();

private:
    void Run(std::future<bool> pluginFoldersChecked);

    QString m_iconPath;
    QImage m_icon;
    std::promise<bool> m_pluginFoldersChecked;
    bool m_released = false;
    std::promise<void> m_fontConfigurationRead;
    std::future<void> m_fontConfiguration;
    std::thread m_thread;
};

} // namespace mrfyc
