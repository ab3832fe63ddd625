#pragma once
// The global class Functions of the library QuorlinDLL ("Quorlin Functions DLL"):
// ready-made path, file, registry, folder, name, window, waiting, drawing and string
// routines for developers. One instance per program, made on first use and kept until
// the program ends (instance()); it can also be created by its registered name. The
// routines it shares with the control class QLFunctions are the same routines
// (prgmain).
//
// Two ways to call it: the member functions below (early binding; by-reference
// parameters are non-const references, as the callers' language passes them), and the
// dispatch interface invoke() (late binding by dispatch number or member name).

#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <cstdint>

class QWidget;
namespace QuorlinDLL {
class frmAbout;
}
namespace quorlin {
class WindowObject;
}

class Functions : public QObject {
    Q_OBJECT
public:
    // Registered identity.
    static constexpr const char* ProgId = "QuorlinDLL.Functions";
    static constexpr const char* LibraryName = "QuorlinDLL";
    static constexpr const char* ClassName = "Functions";
    static constexpr int TypeLibMajor = 8;
    static constexpr int TypeLibMinor = 0;

    // ---- enumerations, members in their declared order ----------------------------
    enum HKEYEnum : int32_t {
        HKEY_CLASSES_ROOT = static_cast<int32_t>(0x80000000u),
        HKEY_CURRENT_CONFIG = static_cast<int32_t>(0x80000005u),
        HKEY_CURRENT_USER = static_cast<int32_t>(0x80000001u),
        HKEY_DYN_DATA = static_cast<int32_t>(0x80000006u),
        HKEY_LOCAL_MACHINE = static_cast<int32_t>(0x80000002u),
        HKEY_PERFORMANCE_DATA = static_cast<int32_t>(0x80000004u),
        HKEY_USERS = static_cast<int32_t>(0x80000003u),
    };
    enum RegKeyTypes : int32_t {
        REG_BINARY = 3,
        REG_DWORD = 4,
        REG_EXPAND_SZ = 2,
        REG_MULTI_SZ = 7,
        REG_SZ = 1,
    };
    enum HwndContants : int32_t {
        HWND_BOTTOM = 1,
        HWND_BROADCAST = 65535,
        HWND_DESKTOP = 0,
        HWND_NOTOPMOST = -2,
        HWND_TOP = 0,
        HWND_TOPMOST = -1,
    };
    enum OFEnum : int32_t {
        OF_WRITE = 1,
        OF_VERIFY = 1024,
        OF_SHARE_EXCLUSIVE = 16,
        OF_SHARE_DENY_WRITE = 32,
        OF_SHARE_DENY_READ = 48,
        OF_SHARE_DENY_NONE = 64,
        OF_SHARE_COMPAT = 0,
        OF_REOPEN = 32768,
        OF_READWRITE = 2,
        OF_READ = 0,
        OF_PROMPT = 8192,
        OF_PARSE = 256,
        OF_EXIST = 16384,
        OF_DELETE = 512,
        OF_CANCEL = 2048,
        OF_CREATE = 4096,
    };
    using EnumMembers = QList<QPair<QString, int32_t>>;
    // The enumeration names in declared order, and the members of one of them
    // (empty for an unknown name).
    static QStringList enumerations();
    static EnumMembers enumMembers(const QString& enumeration);

    // ---- the instance ---------------------------------------------------------------
    // The program's one instance, made on first use, kept until the program ends.
    static Functions& instance();
    // A new instance, as creating it by its registered name does.
    explicit Functions(QObject* parent = nullptr);
    ~Functions() override;

    // ---- member tables ----------------------------------------------------------------
    // Dispatch numbering (1 = first name): the 26 public members with the private
    // ConvertChar just before ConvertStr and DeconvertChar just before DEconvertSTR.
    static const QStringList& dispatchNames();
    // The early-bound call table: the 26 public members, then ConvertChar and
    // DeconvertChar after SetWindowZState.
    static const QStringList& earlyBoundNames();
    // The public members in order.
    static const QStringList& publicMembers();
    // Dispatch number of a member (case ignored), -1 when there is none.
    static int dispIdOf(const QString& name);

    // Late binding. By-reference arguments are written back into args; optional
    // arguments may be left out. Results: QVariant() for none, bool, int, QString,
    // QStringList (LookFolder). Failures: quorlin::RuntimeError (438 for an unknown or
    // private member, 5 for a wrong argument count, 13 for an argument of the wrong
    // kind, or the member's own error).
    QVariant invoke(int dispId, QVariantList& args);
    QVariant invoke(const QString& name, QVariantList& args);

    // ---- the public members, in order ---------------------------------------------
    void DrawBackGrd_XP(quorlin::WindowObject& TargetWnd, int16_t Colour1, int16_t Colour2,
                        int32_t BackgrdClr);
    // A Qt window, drawn through a QtWindowObject.
    void DrawBackGrd_XP(QWidget* TargetWnd, int16_t Colour1, int16_t Colour2, int32_t BackgrdClr);
    int32_t RandomNumber(int32_t& Upperbound, int32_t& Lowerbound);
    void DelayExecution(int32_t& Seconds, bool& Do_Events);
    void DelayExecution(int32_t& Seconds); // Do_Events defaults to true
    bool ChkPathExist(QString& path);
    bool ChkDriveExist(QString& Drive);
    bool ChkFileExist(QString& pathname);
    QString ReadFile(QString& filename);
    void AppendFile(QString& filename, QString& Text);
    void WriteFile(QString& filename, QString& Text);
    QString StripTerminator(QString strString);
    bool OpposeBoolean(bool& Target);
    QString ConvertStr(QString& S);
    QString DEconvertSTR(QString& S);
    void DecompressLZFile(QString& Source, QString& Destination);
    void WriteRegistry(HKEYEnum& HKey, QString& Subkey, QString& ValueName, RegKeyTypes& KeyType,
                       QString& KeyValue);
    void WriteRegistryAsNumber(HKEYEnum& HKey, QString& Subkey, QString& ValueName, int32_t KeyValue);
    QString ReadRegistry(HKEYEnum& HKey, QString& Subkey, QString& ValueName, RegKeyTypes& ValueType,
                         QString& DefaultValue);
    QString ReadRegistry(HKEYEnum& HKey, QString& Subkey, QString& ValueName,
                         RegKeyTypes& ValueType); // DefaultValue ""
    int32_t ReadRegistryAsNumber(HKEYEnum& HKey, QString& Subkey, QString& ValueName);
    void DeleteRegValue(HKEYEnum& HKey, QString& Subkey, QString& ValueName);
    void DeleteRegKey(HKEYEnum& HKey, QString& Subkey, QString& Key);
    void ClearFolder(QString& path);
    QStringList LookFolder(QString& path);
    QString GetFilename(QString& path);
    QString GetExtension(QString& filename);
    void About();
    void SetWindowZState(int32_t& Hwnd, HwndContants& zType, int32_t& x, int32_t& y, int32_t& x1,
                         int32_t& y1);

    // ---- window handles ---------------------------------------------------------------
    // The handle of one of the program's windows as SetWindowZState takes it (made on
    // first request, kept for the window's life), and the window of a handle (null when
    // no window of this program has it).
    static int32_t hWndOf(QWidget* window);
    static QWidget* windowOfHwnd(int32_t hwnd);

    // The about window while it exists (for the program's tests).
    QuorlinDLL::frmAbout* aboutWindow() const;

private:
    QString ConvertChar(const QString& c);
    QString DeconvertChar(const QString& c);

    QPointer<QuorlinDLL::frmAbout> m_about;
};

// Creates an object by its registered name ("QuorlinDLL.Functions", case ignored); the
// caller owns it (parent may take it). Null for any other name.
QObject* createQuorlinDLLObject(const QString& progId, QObject* parent = nullptr);
