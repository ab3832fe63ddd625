#pragma once
// The global class Functions of the library QuorlinDLL ("Quorlin Functions DLL"):
// ready-made path, file, registry, folder, name, window, waiting, drawing and string
// routines for developers. One instance per program, made on first use and kept until
// the program ends (instance()); it can also be created by its registered name. The
// routines it shares with the control class QLFunctions of the library Quorlin are the
// same routines.
//
// Two ways to call it: the member functions below (early binding), and the dispatch
// interface invoke() (late binding by dispatch number or member name).
//
// Conventions of every member:
// - Windows paths: a DOS path ("C:\Windows\notepad.exe"), a path relative to the
//   current directory, or an absolute host path. On Linux the drives are those of the
//   Wine prefix the library works on: $WINEPREFIX, else ~/.wine, else a private prefix in
//   $XDG_DATA_HOME/kolvmgr. Folders are given with a trailing backslash.
// - Text goes to the registry and to text files in the ANSI code page (Windows-1252): a
//   character it lacks is stored as '?'. Text files have CR LF line breaks.
// - Registry roots are HKEYEnum values; HKEY_CLASSES_ROOT, HKEY_CURRENT_USER and
//   HKEY_LOCAL_MACHINE are served, every other root is refused. The registry members
//   never report a failure: a refused write is lost, a failed read gives the default.
// - A member that fails throws quorlin::RuntimeError (common/RuntimeError.h) carrying
//   the error number and description; the numbers each member can raise are listed with
//   it. A member not listed as raising one never throws.
// - Members marked "yields" let the event loop deliver pending events while they run:
//   the caller's handlers, including ones that call this class again, may run meanwhile.
// - A parameter the member only reads is taken by const reference (or by value), so a
//   caller's variables and temporaries alike can be passed. The three parameters a
//   member writes back are non-const references: GetFilename's path, GetExtension's
//   filename and ReadRegistry's ValueType.
//
// Where this library differs on purpose from the routines it is modelled on:
// - DelayExecution sleeps until the next clock reading instead of keeping a processor
//   busy.
// - DecompressLZFile never empties an existing target when the source is missing or
//   the prompt for it is cancelled; the target is not touched until the expansion is
//   complete.
// - LookFolder does not follow symbolic links to folders (a link may lead back up the
//   tree); ClearFolder removes a link itself and never what it points at.

#include "common/RuntimeError.h"
#include "common/WindowObject.h"

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
    // QStringList (LookFolder). A window argument is a QWidget*, a quorlin::WindowObject*
    // or a null pointer (no window). Failures: quorlin::RuntimeError 438 for an unknown
    // or private member, 5 for a wrong argument count, 13 for an argument of the wrong
    // kind, or the member's own error.
    QVariant invoke(int dispId, QVariantList& args);
    QVariant invoke(const QString& name, QVariantList& args);

    // ---- the public members, in order ---------------------------------------------

    // 1. Paints a grey shaded background on the window: Colour1 and Colour2 are the
    // grey levels of the shades (0 black, 255 white), BackgrdClr the base fill. Every
    // failure skips its step; a null window is drawn on silently: nothing happens.
    // Yields twice. The window is borrowed for the call.
    void DrawBackGrd_XP(quorlin::WindowObject& TargetWnd, int16_t Colour1, int16_t Colour2,
                        int32_t BackgrdClr);
    // A Qt window, drawn through a QtWindowObject (null: nothing is drawn).
    void DrawBackGrd_XP(QWidget* TargetWnd, int16_t Colour1, int16_t Colour2, int32_t BackgrdClr);
    // 2. A random whole number from Lowerbound to Upperbound: floor(r * (Upperbound -
    // Lowerbound + 1) + Lowerbound) for the next fraction r of one process-wide
    // generator, which the library never seeds. Raises 6 (overflow) when the span does
    // not fit in 32 bits.
    int32_t RandomNumber(const int32_t& Upperbound, const int32_t& Lowerbound);
    // 3. Waits until the clock (seconds since midnight, rounded to the whole second,
    // halves to even) has moved on by Seconds, so the wait is Seconds give or take half
    // a second; a wait across midnight ends too. Yields while it waits when Do_Events
    // (the default), otherwise blocks the thread. Sleeps between clock readings.
    // Raises 6 (overflow) when the end does not fit in 32 bits.
    void DelayExecution(const int32_t& Seconds, const bool& Do_Events);
    void DelayExecution(const int32_t& Seconds);
    // 4. Whether path is an existing folder the process may enter (a trailing backslash
    // makes no difference). The current directory is unchanged afterwards.
    bool ChkPathExist(const QString& path);
    // 5. Whether the drive of Drive (only its first letter counts) exists. The current
    // drive is unchanged afterwards.
    bool ChkDriveExist(const QString& Drive);
    // 6. Whether pathname is an existing file the process can open for reading (an empty
    // one included; a folder, a missing file or a name ending in a separator gives
    // false). Raises 67 (too many files) only when no file number is free.
    bool ChkFileExist(const QString& pathname);
    // 7. The file's lines (ended by CR or CR LF; a lone LF stays in its line), each
    // followed by CR LF; the empty string for an empty file and on every failure (a
    // missing file, a folder, a name ending in a separator). Never raises.
    QString ReadFile(const QString& filename);
    // 8. Adds Text and CR LF at the file's end, creating it; raises as WriteFile.
    void AppendFile(const QString& filename, const QString& Text);
    // 9. Replaces the file's contents with Text and CR LF, creating the file. Raises 76
    // (path not found) for a missing folder or drive or a name ending in a separator,
    // 75 (path/file access error) for a folder or a file that may not be written, 70
    // (permission denied) for a write-protected disk, 61 (disk full), 67 (too many
    // files) when no file number is free, 52 (bad file name) for a name no file can
    // have.
    void WriteFile(const QString& filename, const QString& Text);
    // 10. The text before the first zero character (all of it when there is none).
    QString StripTerminator(QString strString);
    // 11. True when Target is false, otherwise false. Yields once.
    bool OpposeBoolean(const bool& Target);
    // 12. Every character code c of S (ANSI) shifted: c + 20 up to 235, c - 20 from 236.
    // Yields twice per character.
    QString ConvertStr(const QString& S);
    // 13. The reverse walk of ConvertStr: codes 216..234 gain 20, every other code loses
    // 20, and a code below 20 is dropped. Not an exact inverse: codes 196..214 come back
    // 40 higher, 255 as 215. Yields twice per character.
    QString DEconvertSTR(const QString& S);
    // 14. Expands Source, when it is in the LZ (SZDD) compressed format, into
    // Destination; copies any other file unchanged. A missing Source is asked for in a
    // Retry/Cancel message box (yields) until it is there or the user cancels. Reports
    // nothing; Destination is not touched before the expansion is complete.
    void DecompressLZFile(const QString& Source, const QString& Destination);
    // 15. Stores the text KeyValue with its terminating zero under the type KeyType,
    // whatever the type (REG_DWORD "1" stores the bytes 49 and 0), in the value
    // ValueName of the key Subkey below HKey, creating the key path; an empty ValueName
    // is the key's default value.
    void WriteRegistry(const HKEYEnum& HKey, const QString& Subkey, const QString& ValueName,
                       const RegKeyTypes& KeyType, const QString& KeyValue);
    // 16. Stores KeyValue as a 4-byte REG_DWORD, creating the key path.
    void WriteRegistryAsNumber(const HKEYEnum& HKey, const QString& Subkey, const QString& ValueName,
                               int32_t KeyValue);
    // 17. The value as text, read through a 500-byte buffer of blanks: leading and
    // trailing spaces trimmed, cut at the first zero character, whatever the value's
    // type. DefaultValue (empty when left out) when that is empty, or the key or value is
    // missing, or the value needs more than 499 characters. When the value is found,
    // ValueType receives its actual type; otherwise it keeps what the caller put there.
    QString ReadRegistry(const HKEYEnum& HKey, const QString& Subkey, const QString& ValueName,
                         RegKeyTypes& ValueType, const QString& DefaultValue);
    QString ReadRegistry(const HKEYEnum& HKey, const QString& Subkey, const QString& ValueName,
                         RegKeyTypes& ValueType);
    // 18. A value of at most 4 bytes as a number, least significant byte first; 0 when
    // the key or value is missing or longer.
    int32_t ReadRegistryAsNumber(const HKEYEnum& HKey, const QString& Subkey, const QString& ValueName);
    // 19. Deletes the value ValueName of the key Subkey.
    void DeleteRegValue(const HKEYEnum& HKey, const QString& Subkey, const QString& ValueName);
    // 20. Deletes the key Key below Subkey; a key that has subkeys of its own stays.
    void DeleteRegKey(const HKEYEnum& HKey, const QString& Subkey, const QString& Key);
    // 21. Deletes everything in the folder path, subfolders included, deepest first;
    // hidden entries too, system ones are not seen and stay (and so do the folders that
    // hold them). A read-only file stays. The folder itself remains. Yields once per
    // entry. Reports nothing.
    void ClearFolder(const QString& path);
    // 22. The full names of every readable file in the folder tree below path, hidden and
    // system ones included, a subfolder's files at the place the subfolder has in its
    // folder's listing; an empty list when there are none. Yields when input may be
    // waiting. Never raises.
    QStringList LookFolder(const QString& path);
    // 23. The name after the last backslash of path ("C:\Windows\notepad.exe" gives
    // notepad.exe); a trailing backslash is first removed from the caller's variable
    // ("C:\Windows\" gives Windows and leaves path "C:\Windows"). The empty string
    // for 3 characters or fewer. Raises 5 (invalid procedure call) when a longer text has
    // no backslash before its last character; path may already have lost its trailing
    // backslash then. Yields once per character examined.
    QString GetFilename(QString& path);
    // 24. The last dot and what follows it ("archive.tar.gz" gives .gz), the whole text
    // when there is no dot; a trailing dot is first removed from the caller's variable
    // ("name." gives name and leaves filename "name"). The search does not stop at a
    // backslash. Yields when input may be waiting. Never raises.
    QString GetExtension(QString& filename);
    // 25. Shows the library's about window modally and returns when it is closed.
    void About();
    // 26. Places the window of the handle Hwnd (hWndOf) in the window order zType (a
    // HwndContants value, or the handle of a window to go behind) at x, y with the size
    // x1 by y1, all in twips (15 to the pixel, halves to even), and shows it. An unknown
    // handle is ignored.
    void SetWindowZState(const int32_t& Hwnd, const HwndContants& zType, const int32_t& x, const int32_t& y,
                         const int32_t& x1, const int32_t& y1);

    // ---- window handles ---------------------------------------------------------------
    // The handle of one of the program's windows as SetWindowZState takes it (made on
    // first request, kept for the window's life), and the window of a handle (null when
    // no window of this program has it).
    static int32_t hWndOf(QWidget* window);
    static QWidget* windowOfHwnd(int32_t hwnd);

private:
    QString ConvertChar(const QString& c);
    QString DeconvertChar(const QString& c);

    QPointer<QuorlinDLL::frmAbout> m_about;
};

// Creates an object by its registered name ("QuorlinDLL.Functions", case ignored); the
// caller owns it (parent may take it). Null for any other name.
QObject* createQuorlinDLLObject(const QString& progId, QObject* parent = nullptr);
