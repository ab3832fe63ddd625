#include "mdlMainControl.h"

#include "common/AnsiText.h"
#include "common/prgmain.h"
#include "control/QLFunctions.h"

#include <QPointer>
#include <QStringDecoder>

#include <algorithm>

namespace mdlMain {
namespace {

QPointer<QLFunctions> g_control;
RoutineProvider g_provider = RoutineProvider::Windows;

bool windowsAvailable() {
    return g_provider == RoutineProvider::Windows;
}

QLFunctions& spareControl() {
    // Lives until the program ends, like the main window's own control would.
    static QLFunctions* spare = new QLFunctions();
    return *spare;
}

} // namespace

QLFunctions& functions() {
    return g_control ? *g_control : spareControl();
}

void setFunctionsControl(QLFunctions* control) {
    g_control = control;
}

void setRoutineProvider(RoutineProvider provider) {
    g_provider = provider;
}

// Without windows (the command line) there is no control to call: the routines behind its
// members are called directly.
bool ChkPathExist(const QString& path) {
    if (!windowsAvailable())
        return prgmain::ChkPathExist(path);
    QVariantList args{path};
    return functions().invoke(QLFunctions::DispChkPathExist, args).toBool();
}

bool ChkFileExist(const QString& filename) {
    if (!windowsAvailable())
        return prgmain::ChkFileExist(filename);
    QVariantList args{filename};
    return functions().invoke(QLFunctions::DispChkFileExist, args).toBool();
}

void WriteRegStr(int hKey, const QString& subkey, const QString& keyName, const QString& keyValue) {
    if (!windowsAvailable())
        return prgmain::WriteRegStr(hKey, subkey, keyName, keyValue);
    QVariantList args{hKey, subkey, keyName, keyValue};
    functions().invoke(QLFunctions::DispWriteRegStr, args);
}

QString ReadFromFile(const QString& filename) {
    if (!windowsAvailable())
        return prgmain::ReadFromFile(filename);
    QVariantList args{filename};
    return functions().invoke(QLFunctions::DispReadFromFile, args).toString();
}

QString ReadTextFile(const QString& filename) {
    const QString text = ReadFromFile(filename);
    // ReadFromFile reads the ANSI code page; turning its text back into the file's bytes
    // loses nothing, and UTF-8 is what readmes written today are in.
    const std::string bytes = quorlin::toAnsi(text);
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return text;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return utf8.hasError() ? text : decoded;
}

} // namespace mdlMain
