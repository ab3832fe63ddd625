#include "Functions.h"

#include "Twips.h"
#include "frmAbout.h"

#include "common/AnsiText.h"
#include "common/Dispatch.h"
#include "common/ProblemText.h"
#include "common/RuntimeError.h"
#include "common/UiServices.h"
#include "common/WindowObject.h"
#include "common/prgmain.h"

#include <QApplication>
#include <QWidget>

#include <algorithm>
#include <memory>
#include <string>

using quorlin::RuntimeError;
namespace dispatch = quorlin::dispatch;
using dispatch::RefArgs;

namespace {

enum DispId : int {
    DispDrawBackGrd_XP = 1,
    DispRandomNumber,
    DispDelayExecution,
    DispChkPathExist,
    DispChkDriveExist,
    DispChkFileExist,
    DispReadFile,
    DispAppendFile,
    DispWriteFile,
    DispStripTerminator,
    DispOpposeBoolean,
    DispConvertChar,
    DispConvertStr,
    DispDeconvertChar,
    DispDEconvertSTR,
    DispDecompressLZFile,
    DispWriteRegistry,
    DispWriteRegistryAsNumber,
    DispReadRegistry,
    DispReadRegistryAsNumber,
    DispDeleteRegValue,
    DispDeleteRegKey,
    DispClearFolder,
    DispLookFolder,
    DispGetFilename,
    DispGetExtension,
    DispAbout,
    DispSetWindowZState,
};

const char* const kHwndProperty = "quorlin_hwnd";

} // namespace

// ---- enumerations -----------------------------------------------------------------------

QStringList Functions::enumerations() {
    return {QStringLiteral("HKEYEnum"), QStringLiteral("RegKeyTypes"), QStringLiteral("HwndContants"),
            QStringLiteral("OFEnum")};
}

Functions::EnumMembers Functions::enumMembers(const QString& enumeration) {
#define M(name) qMakePair(QStringLiteral(#name), int32_t(name))
    if (enumeration == QLatin1String("HKEYEnum"))
        return {M(HKEY_CLASSES_ROOT),  M(HKEY_CURRENT_CONFIG),   M(HKEY_CURRENT_USER), M(HKEY_DYN_DATA),
                M(HKEY_LOCAL_MACHINE), M(HKEY_PERFORMANCE_DATA), M(HKEY_USERS)};
    if (enumeration == QLatin1String("RegKeyTypes"))
        return {M(REG_BINARY), M(REG_DWORD), M(REG_EXPAND_SZ), M(REG_MULTI_SZ), M(REG_SZ)};
    if (enumeration == QLatin1String("HwndContants"))
        return {M(HWND_BOTTOM),    M(HWND_BROADCAST), M(HWND_DESKTOP),
                M(HWND_NOTOPMOST), M(HWND_TOP),       M(HWND_TOPMOST)};
    if (enumeration == QLatin1String("OFEnum"))
        return {M(OF_WRITE),           M(OF_VERIFY),
                M(OF_SHARE_EXCLUSIVE), M(OF_SHARE_DENY_WRITE),
                M(OF_SHARE_DENY_READ), M(OF_SHARE_DENY_NONE),
                M(OF_SHARE_COMPAT),    M(OF_REOPEN),
                M(OF_READWRITE),       M(OF_READ),
                M(OF_PROMPT),          M(OF_PARSE),
                M(OF_EXIST),           M(OF_DELETE),
                M(OF_CANCEL),          M(OF_CREATE)};
#undef M
    return {};
}

// ---- the instance ---------------------------------------------------------------------

Functions& Functions::instance() {
    // Made on first use, lives until the program ends.
    static Functions global;
    return global;
}

Functions::Functions(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("Functions"));
    // The registry's diagnostic lines are worded by the shared routines.
    quorlin::installProblemWords();
}

Functions::~Functions() {
    // A window left open by a test; windows can only go while the application exists.
    if (m_about && QCoreApplication::instance())
        delete m_about.data();
}

// ---- member tables ----------------------------------------------------------------------

const QStringList& Functions::publicMembers() {
    static const QStringList names = {
        QStringLiteral("DrawBackGrd_XP"), QStringLiteral("RandomNumber"),
        QStringLiteral("DelayExecution"), QStringLiteral("ChkPathExist"),
        QStringLiteral("ChkDriveExist"),  QStringLiteral("ChkFileExist"),
        QStringLiteral("ReadFile"),       QStringLiteral("AppendFile"),
        QStringLiteral("WriteFile"),      QStringLiteral("StripTerminator"),
        QStringLiteral("OpposeBoolean"),  QStringLiteral("ConvertStr"),
        QStringLiteral("DEconvertSTR"),   QStringLiteral("DecompressLZFile"),
        QStringLiteral("WriteRegistry"),  QStringLiteral("WriteRegistryAsNumber"),
        QStringLiteral("ReadRegistry"),   QStringLiteral("ReadRegistryAsNumber"),
        QStringLiteral("DeleteRegValue"), QStringLiteral("DeleteRegKey"),
        QStringLiteral("ClearFolder"),    QStringLiteral("LookFolder"),
        QStringLiteral("GetFilename"),    QStringLiteral("GetExtension"),
        QStringLiteral("About"),          QStringLiteral("SetWindowZState"),
    };
    return names;
}

const QStringList& Functions::dispatchNames() {
    static const QStringList names = [] {
        QStringList out = publicMembers();
        out.insert(out.indexOf(QStringLiteral("ConvertStr")), QStringLiteral("ConvertChar"));
        out.insert(out.indexOf(QStringLiteral("DEconvertSTR")), QStringLiteral("DeconvertChar"));
        return out;
    }();
    return names;
}

const QStringList& Functions::earlyBoundNames() {
    static const QStringList names =
        publicMembers() + QStringList{QStringLiteral("ConvertChar"), QStringLiteral("DeconvertChar")};
    return names;
}

int Functions::dispIdOf(const QString& name) {
    return dispatch::dispIdOf(dispatchNames(), name);
}

// ---- late binding -----------------------------------------------------------------------

QVariant Functions::invoke(const QString& name, QVariantList& args) {
    const int id = dispIdOf(name);
    if (id < 0)
        throw RuntimeError(quorlin::ErrNoSuchMember);
    return invoke(id, args);
}

QVariant Functions::invoke(int dispId, QVariantList& args) {
    RefArgs a(args);
    // Enumeration arguments travel as their numbers; no member changes them except
    // ReadRegistry's ValueType, which is written back by hand.
    HKEYEnum root{};
    auto hkey = [&](int i) -> HKEYEnum& {
        root = static_cast<HKEYEnum>(dispatch::toInt32(args.at(i)));
        return root;
    };
    switch (dispId) {
    case DispDrawBackGrd_XP: {
        dispatch::checkCount(args, 4, 4);
        std::unique_ptr<quorlin::QtWindowObject> holder;
        quorlin::WindowObject& target = dispatch::toWindowObject(args.at(0), holder);
        DrawBackGrd_XP(target, dispatch::toInt16(args.at(1)), dispatch::toInt16(args.at(2)),
                       dispatch::toInt32(args.at(3)));
        return QVariant();
    }
    case DispRandomNumber:
        dispatch::checkCount(args, 2, 2);
        return RandomNumber(a.int32(0), a.int32(1));
    case DispDelayExecution:
        dispatch::checkCount(args, 1, 2);
        DelayExecution(a.int32(0), a.booleanOr(1, true));
        return QVariant();
    case DispChkPathExist:
        dispatch::checkCount(args, 1, 1);
        return ChkPathExist(a.text(0));
    case DispChkDriveExist:
        dispatch::checkCount(args, 1, 1);
        return ChkDriveExist(a.text(0));
    case DispChkFileExist:
        dispatch::checkCount(args, 1, 1);
        return ChkFileExist(a.text(0));
    case DispReadFile:
        dispatch::checkCount(args, 1, 1);
        return ReadFile(a.text(0));
    case DispAppendFile:
        dispatch::checkCount(args, 2, 2);
        AppendFile(a.text(0), a.text(1));
        return QVariant();
    case DispWriteFile:
        dispatch::checkCount(args, 2, 2);
        WriteFile(a.text(0), a.text(1));
        return QVariant();
    case DispStripTerminator:
        dispatch::checkCount(args, 1, 1);
        return StripTerminator(dispatch::toText(args.at(0)));
    case DispOpposeBoolean:
        dispatch::checkCount(args, 1, 1);
        return OpposeBoolean(a.boolean(0));
    case DispConvertStr:
        dispatch::checkCount(args, 1, 1);
        return ConvertStr(a.text(0));
    case DispDEconvertSTR:
        dispatch::checkCount(args, 1, 1);
        return DEconvertSTR(a.text(0));
    case DispDecompressLZFile:
        dispatch::checkCount(args, 2, 2);
        DecompressLZFile(a.text(0), a.text(1));
        return QVariant();
    case DispWriteRegistry:
        dispatch::checkCount(args, 5, 5);
        {
            auto type = static_cast<RegKeyTypes>(dispatch::toInt32(args.at(3)));
            WriteRegistry(hkey(0), a.text(1), a.text(2), type, a.text(4));
            return QVariant();
        }
    case DispWriteRegistryAsNumber:
        dispatch::checkCount(args, 4, 4);
        WriteRegistryAsNumber(hkey(0), a.text(1), a.text(2), dispatch::toInt32(args.at(3)));
        return QVariant();
    case DispReadRegistry:
        dispatch::checkCount(args, 4, 5);
        {
            const auto given = static_cast<RegKeyTypes>(dispatch::toInt32(args.at(3)));
            RegKeyTypes type = given;
            const QString text = ReadRegistry(hkey(0), a.text(1), a.text(2), type, a.textOr(4, QString()));
            if (type != given)
                args[3] = int32_t(type);
            return text;
        }
    case DispReadRegistryAsNumber:
        dispatch::checkCount(args, 3, 3);
        return ReadRegistryAsNumber(hkey(0), a.text(1), a.text(2));
    case DispDeleteRegValue:
        dispatch::checkCount(args, 3, 3);
        DeleteRegValue(hkey(0), a.text(1), a.text(2));
        return QVariant();
    case DispDeleteRegKey:
        dispatch::checkCount(args, 3, 3);
        DeleteRegKey(hkey(0), a.text(1), a.text(2));
        return QVariant();
    case DispClearFolder:
        dispatch::checkCount(args, 1, 1);
        ClearFolder(a.text(0));
        return QVariant();
    case DispLookFolder:
        dispatch::checkCount(args, 1, 1);
        return LookFolder(a.text(0));
    case DispGetFilename:
        dispatch::checkCount(args, 1, 1);
        return GetFilename(a.text(0));
    case DispGetExtension:
        dispatch::checkCount(args, 1, 1);
        return GetExtension(a.text(0));
    case DispAbout:
        dispatch::checkCount(args, 0, 0);
        About();
        return QVariant();
    case DispSetWindowZState:
        dispatch::checkCount(args, 6, 6);
        {
            auto order = static_cast<HwndContants>(dispatch::toInt32(args.at(1)));
            SetWindowZState(a.int32(0), order, a.int32(2), a.int32(3), a.int32(4), a.int32(5));
            return QVariant();
        }
    default:
        // ConvertChar and DeconvertChar have their numbers but are private.
        throw RuntimeError(quorlin::ErrNoSuchMember);
    }
}

// ---- the members --------------------------------------------------------------------------

void Functions::DrawBackGrd_XP(quorlin::WindowObject& TargetWnd, int16_t Colour1, int16_t Colour2,
                               int32_t BackgrdClr) {
    prgmain::DrawBackGrd_XP(TargetWnd, Colour1, Colour2, BackgrdClr);
}
void Functions::DrawBackGrd_XP(QWidget* TargetWnd, int16_t Colour1, int16_t Colour2, int32_t BackgrdClr) {
    if (!TargetWnd)
        return;
    quorlin::QtWindowObject target(TargetWnd);
    prgmain::DrawBackGrd_XP(target, Colour1, Colour2, BackgrdClr);
}
int32_t Functions::RandomNumber(const int32_t& Upperbound, const int32_t& Lowerbound) {
    return prgmain::RandomNumber(Upperbound, Lowerbound);
}
void Functions::DelayExecution(const int32_t& Seconds, const bool& Do_Events) {
    prgmain::Delay(Seconds, Do_Events);
}
void Functions::DelayExecution(const int32_t& Seconds) {
    prgmain::Delay(Seconds, true);
}
bool Functions::ChkPathExist(const QString& path) {
    return prgmain::ChkPathExist(path);
}
bool Functions::ChkDriveExist(const QString& Drive) {
    return prgmain::ChkDrvExist(Drive);
}
bool Functions::ChkFileExist(const QString& pathname) {
    return prgmain::ChkFileExist(pathname);
}
QString Functions::ReadFile(const QString& filename) {
    return prgmain::ReadFromFile(filename);
}
void Functions::AppendFile(const QString& filename, const QString& Text) {
    prgmain::AppendToFile(filename, Text);
}
void Functions::WriteFile(const QString& filename, const QString& Text) {
    prgmain::WriteToFile(filename, Text);
}
QString Functions::StripTerminator(QString strString) {
    return prgmain::StripTerminator(strString);
}
bool Functions::OpposeBoolean(const bool& Target) {
    return prgmain::OpposeBool(Target);
}

QString Functions::ConvertStr(const QString& S) {
    return prgmain::StrConvert(S);
}
QString Functions::DEconvertSTR(const QString& S) {
    return prgmain::StrDeConvert(S);
}
// The per-character rules live with the string routines; these keep the class's own
// private members for its tables (the first character of c counts).
QString Functions::ConvertChar(const QString& c) {
    const std::string code = quorlin::toAnsi(c.left(1));
    if (code.empty())
        return QString();
    return quorlin::fromAnsi(
        std::string(1, static_cast<char>(prgmain::ConvertChar(static_cast<unsigned char>(code[0])))));
}
QString Functions::DeconvertChar(const QString& c) {
    const std::string code = quorlin::toAnsi(c.left(1));
    if (code.empty())
        return QString();
    const int shifted = prgmain::DeconvertChar(static_cast<unsigned char>(code[0]));
    return shifted < 0 ? QString() : quorlin::fromAnsi(std::string(1, static_cast<char>(shifted)));
}

void Functions::DecompressLZFile(const QString& Source, const QString& Destination) {
    prgmain::DecompressLZFile(Source, Destination);
}
void Functions::WriteRegistry(const HKEYEnum& HKey, const QString& Subkey, const QString& ValueName,
                              const RegKeyTypes& KeyType, const QString& KeyValue) {
    prgmain::WriteRegistry(HKey, Subkey, ValueName, KeyType, KeyValue);
}
void Functions::WriteRegistryAsNumber(const HKEYEnum& HKey, const QString& Subkey, const QString& ValueName,
                                      int32_t KeyValue) {
    prgmain::WriteRegInt(HKey, Subkey, ValueName, KeyValue);
}
QString Functions::ReadRegistry(const HKEYEnum& HKey, const QString& Subkey, const QString& ValueName,
                                RegKeyTypes& ValueType, const QString& DefaultValue) {
    int32_t type = ValueType;
    const QString text = prgmain::ReadRegistry(HKey, Subkey, ValueName, type, DefaultValue);
    ValueType = static_cast<RegKeyTypes>(type);
    return text;
}
QString Functions::ReadRegistry(const HKEYEnum& HKey, const QString& Subkey, const QString& ValueName,
                                RegKeyTypes& ValueType) {
    QString none;
    return ReadRegistry(HKey, Subkey, ValueName, ValueType, none);
}
int32_t Functions::ReadRegistryAsNumber(const HKEYEnum& HKey, const QString& Subkey,
                                        const QString& ValueName) {
    return prgmain::ReadRegInt(HKey, Subkey, ValueName);
}
void Functions::DeleteRegValue(const HKEYEnum& HKey, const QString& Subkey, const QString& ValueName) {
    prgmain::DeleteRegValue(HKey, Subkey, ValueName);
}
void Functions::DeleteRegKey(const HKEYEnum& HKey, const QString& Subkey, const QString& Key) {
    prgmain::DeleteRegKey(HKey, Subkey, Key);
}
void Functions::ClearFolder(const QString& path) {
    prgmain::ClearFolder(path);
}
QStringList Functions::LookFolder(const QString& path) {
    return prgmain::LookFolder(path);
}
QString Functions::GetFilename(QString& path) {
    return prgmain::GetFilename(path);
}
QString Functions::GetExtension(QString& filename) {
    return prgmain::GetExtension(filename);
}

void Functions::About() {
    if (!m_about)
        m_about = new QuorlinDLL::frmAbout();
    quorlin::UiServices::showModal(m_about);
}

// ---- windows --------------------------------------------------------------------------------

int32_t Functions::hWndOf(QWidget* window) {
    if (!window)
        return 0;
    const QVariant known = window->property(kHwndProperty);
    if (known.isValid())
        return known.toInt();
    // Numbers above every HwndContants value, spaced like window handles.
    static int32_t next = 0x10010;
    const int32_t handle = next;
    next += 4;
    window->setProperty(kHwndProperty, handle);
    return handle;
}

QWidget* Functions::windowOfHwnd(int32_t hwnd) {
    if (hwnd == 0 || !QApplication::instance())
        return nullptr;
    for (QWidget* w : QApplication::allWidgets()) {
        const QVariant known = w->property(kHwndProperty);
        if (known.isValid() && known.toInt() == hwnd)
            return w;
    }
    // A window's own native handle is accepted too.
    for (QWidget* w : QApplication::allWidgets()) {
        if (w->internalWinId() && static_cast<int32_t>(w->internalWinId()) == hwnd)
            return w;
    }
    return nullptr;
}

void Functions::SetWindowZState(const int32_t& Hwnd, const HwndContants& zType, const int32_t& x,
                                const int32_t& y, const int32_t& x1, const int32_t& y1) {
    QWidget* w = windowOfHwnd(Hwnd);
    if (!w)
        return;
    const int32_t order = zType;
    // Staying on top is a window flag in Qt; changing it hides the window, which the
    // show below undoes.
    if (w->isWindow() && order == HWND_TOPMOST)
        w->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    else if (w->isWindow() && order == HWND_NOTOPMOST)
        w->setWindowFlag(Qt::WindowStaysOnTopHint, false);

    // Shown first: only a shown window knows its frame, and position and size name the
    // whole window, frame included.
    w->show();
    const QSize frame = w->isWindow() ? w->frameGeometry().size() - w->size() : QSize(0, 0);
    w->move(quorlin::twipsToPixels(x), quorlin::twipsToPixels(y));
    w->resize(std::max(0, quorlin::twipsToPixels(x1) - frame.width()),
              std::max(0, quorlin::twipsToPixels(y1) - frame.height()));

    if (order == HWND_TOP || order == HWND_TOPMOST)
        w->raise();
    else if (order == HWND_BOTTOM)
        w->lower();
    else if (order != HWND_NOTOPMOST) {
        if (QWidget* after = windowOfHwnd(order); after && after != w)
            w->stackUnder(after);
    }
}

QObject* createQuorlinDLLObject(const QString& progId, QObject* parent) {
    if (progId.compare(QLatin1String(Functions::ProgId), Qt::CaseInsensitive) == 0)
        return new Functions(parent);
    return nullptr;
}
