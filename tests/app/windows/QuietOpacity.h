#pragma once
// The offscreen platform cannot make windows translucent and says so at every fade step;
// the fade tests install this handler to keep their output readable.

#include <QString>
#include <QtGlobal>

namespace quiet_opacity {

inline QtMessageHandler& previousHandler() {
    static QtMessageHandler handler = nullptr;
    return handler;
}

inline void handler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message == QLatin1String("This plugin does not support setting window opacity"))
        return;
    if (previousHandler())
        previousHandler()(type, context, message);
}

inline void install() {
    previousHandler() = qInstallMessageHandler(handler);
}

} // namespace quiet_opacity
