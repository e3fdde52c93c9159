// SPDX-License-Identifier: MIT
#include "shell/qt/startup_loads.h"

#include <QImageReader>

#ifdef MRFYC_HAS_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

#include <utility>

namespace mrfyc {

namespace {

// The reader asks each image plugin first, so the first decoding loads them all; the menu bar's
// extension button needs them next, on the main thread.
QImage ReadImage(const QString &path)
{
    return QImageReader(path).read();
}

} // namespace

StartupLoads::StartupLoads(QString iconPath)
    : m_iconPath(std::move(iconPath)), m_fontConfiguration(m_fontConfigurationRead.get_future())
{
#ifdef MRFYC_HAS_FONTCONFIG
    // Fontconfig reads the environment while it loads, so nothing may change the environment
    // meanwhile: the program's own changes come before this, and the one change Qt makes while
    // the application starts (it takes a desktop's start-up notification id or activation token
    // out of the environment) is avoided by doing without the thread when there is one.
    if (qEnvironmentVariableIsEmpty("DESKTOP_STARTUP_ID") &&
        qEnvironmentVariableIsEmpty("XDG_ACTIVATION_TOKEN"))
        m_thread = std::thread(&StartupLoads::Run, this, m_pluginFoldersChecked.get_future());
#endif
}

StartupLoads::~StartupLoads()
{
    // A start that failed before the check: the thread ends without decoding.
    if (!m_released)
        m_pluginFoldersChecked.set_value(false);
    if (m_thread.joinable())
        m_thread.join();
}

void StartupLoads::Run(std::future<bool> pluginFoldersChecked)
{
#ifdef MRFYC_HAS_FONTCONFIG
    FcInit();
#endif
    m_fontConfigurationRead.set_value();
    if (pluginFoldersChecked.get())
        m_icon = ReadImage(m_iconPath);
}

void StartupLoads::PluginFoldersChecked()
{
    m_released = true;
    m_pluginFoldersChecked.set_value(true);
}

void StartupLoads::WaitForFontConfiguration()
{
    if (m_thread.joinable())
        m_fontConfiguration.wait();
}

QImage StartupLoads::TakeIcon()
{
    if (!m_released)
        return {};
    if (!m_thread.joinable())
        return ReadImage(m_iconPath);
    m_thread.join();
    return std::move(m_icon);
}

} // namespace mrfyc
