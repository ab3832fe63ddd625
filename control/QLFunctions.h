#pragma once
// The control class QLFunctions of the library Quorlin ("Quorlin Pre-programmed
// Functions"): ready-made path, file, registry, waiting, drawing and string routines
// that any window can host. It keeps no state; two controls behave alike.
//
// Two ways to call it: the member functions below (early binding), and the dispatch
// interface invoke() (late binding by dispatch number or member name, numbering
// consecutive from 1 in member order).
//
// Conventions of every member:
// - Windows paths: a DOS path ("C:\Windows\notepad.exe"), a path relative to the
//   current directory, or an absolute host path. On Linux the drives are those of the
//   Wine prefix the library works on: $WINEPREFIX, else ~/.wine, else a private prefix in
//   $XDG_DATA_HOME/kolvmgr.
// - Text goes to the registry and to text files in the ANSI code page (Windows-1252): a
//   character it lacks is stored as '?'. Text files have CR LF line breaks.
// - Registry roots are the predefined root-key numbers: HKEY_CLASSES_ROOT 0x80000000,
//   HKEY_CURRENT_USER 0x80000001, HKEY_LOCAL_MACHINE 0x80000002; every other root is
//   refused. The registry members never report a failure: a refused write is lost, a
//   failed read gives the default.
// - A member that fails throws quorlin::RuntimeError (common/RuntimeError.h) carrying
//   the error number and description; the numbers each member can raise are listed with
//   it. A member not listed as raising one never throws.
// - Members marked "yields" let the event loop deliver pending events while they run:
//   the host's handlers, including ones that call the control again, may run meanwhile.
// - Every parameter is one the member only reads and is taken by const reference, so
//   a caller's variables and temporaries alike can be passed.
//
// Where this library differs on purpose from the routines it is modelled on:
// - Delay sleeps until the next clock reading instead of keeping a processor busy.
// - DecompressLZFile never empties an existing target when the source is missing or
//   the prompt for it is cancelled; the target is not touched until the expansion is
//   complete.

#include "common/RuntimeError.h"
#include "common/WindowObject.h"

#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QWidget>

#include <cstdint>

class QLFunctions : public QWidget {
    Q_OBJECT
public:
    // Registered identity.
    static constexpr const char* ProgId = "Quorlin.QLFunctions";
    static constexpr const char* LibraryName = "Quorlin";
    static constexpr const char* Description = "Quorlin Pre-programmed Functions";
    static constexpr int TypeLibMajor = 10;
    static constexpr int TypeLibMinor = 0;

    // Dispatch numbers, in member order.
    enum DispId : int {
        DispDelay = 1,
        DispChkDrvExist,
        DispDecompressLZFile,
        DispChkPathExist,
        DispChkFileExist,
        DispRandomNumber,
        DispDrawWindow,
        DispStrConvert,
        DispWriteRegStr,
        DispStrDeConvert,
        DispWriteRegInt,
        DispReadRegStr,
        DispReadRegInt,
        DispDeleteRegKey,
        DispDeleteRegValue,
        DispWriteToFile,
        DispAppendToFile,
        DispReadFromFile,
        DispOpposeBool,
    };

    explicit QLFunctions(QWidget* parent = nullptr);
    ~QLFunctions() override;

    // The member names in dispatch order (index 0 is dispatch number 1).
    static const QStringList& memberNames();
    // The dispatch number of a member (case ignored), -1 when there is none.
    static int dispIdOf(const QString& name);

    // Late binding. By-reference arguments are written back into args; optional
    // arguments may be left out. Results: QVariant() for none, bool, int, QString. A
    // window argument is a QWidget*, a quorlin::WindowObject* or a null pointer (no
    // window). Failures: quorlin::RuntimeError 438 for an unknown member, 5 for a wrong
    // argument count, 13 for an argument of the wrong kind, or the member's own error.
    QVariant invoke(int dispId, QVariantList& args);
    QVariant invoke(const QString& name, QVariantList& args);

    // ---- the members, in order ----------------------------------------------------

    // 1. Waits until the clock (seconds since midnight, rounded to the whole second,
    // halves to even) has moved on by Seconds, so the wait is Seconds give or take half
    // a second; a wait across midnight ends too. Yields while it waits when Do_Events
    // (the default), otherwise blocks the thread. Sleeps between clock readings.
    // Raises 6 (overflow) when the end does not fit in 32 bits.
    void Delay(const int32_t& Seconds, const bool& Do_Events);
    void Delay(const int32_t& Seconds);
    // 2. Whether the drive of Drive (only its first letter counts: "c", "C:", "C:\x")
    // exists. The current drive is unchanged afterwards.
    bool ChkDrvExist(const QString& Drive);
    // 3. Expands Src, when it is in the LZ (SZDD) compressed format, into Dest; copies
    // any other file unchanged. A missing Src is asked for in a Retry/Cancel message box
    // (yields) until it is there or the user cancels. Reports nothing; Dest is not
    // touched before the expansion is complete.
    void DecompressLZFile(const QString& Src, const QString& Dest);
    // 4. Whether Path is an existing folder the process may enter (a trailing
    // backslash makes no difference). The current directory is unchanged afterwards.
    bool ChkPathExist(const QString& Path);
    // 5. Whether Filename is an existing file the process can open for reading (an
    // empty one included; a folder, a missing file or a name ending in a separator
    // gives false). Raises 67 (too many files) only when no file number is free.
    bool ChkFileExist(const QString& Filename);
    // 6. A random whole number from Lowerbound to Upperbound: floor(r * (Upperbound -
    // Lowerbound + 1) + Lowerbound) for the next fraction r of one process-wide
    // generator, which the library never seeds. Raises 6 (overflow) when the span does
    // not fit in 32 bits.
    int32_t RandomNumber(const int32_t& Upperbound, const int32_t& Lowerbound);
    // 7. Paints a grey shaded background on the window: Colour1 and Colour2 are the
    // grey levels of the shades (0 black, 255 white), Backgrd the base fill. Raises 6
    // (overflow) when Colour1 or Colour2 lies outside -32768..32767, before anything is
    // drawn; every later failure skips its step. A null window is drawn on silently:
    // nothing happens. Yields twice. The window is borrowed for the call.
    void DrawWindow(quorlin::WindowObject& TargetForm, const int32_t& Colour1, const int32_t& Colour2,
                    const int32_t& Backgrd);
    // A Qt window, drawn through a QtWindowObject (null: nothing is drawn).
    void DrawWindow(QWidget* TargetForm, const int32_t& Colour1, const int32_t& Colour2,
                    const int32_t& Backgrd);
    // 8. Every character code c of S (ANSI) shifted: c + 20 up to 235, c - 20 from 236.
    // Yields twice per character.
    QString StrConvert(const QString& S);
    // 9. Stores KeyValue as REG_SZ (with its terminating zero) in the value KeyName of
    // the key Subkey below HKey, creating the key path; an empty KeyName is the key's
    // default value.
    void WriteRegStr(const int32_t& HKey, const QString& Subkey, const QString& KeyName,
                     const QString& KeyValue);
    // 10. The reverse walk of StrConvert: codes 216..234 gain 20, every other code loses
    // 20, and a code below 20 is dropped. Not an exact inverse: StrDeConvert(StrConvert
    // of codes 196..214) gives them back 40 higher, of 255 gives 215. Yields twice per
    // character.
    QString StrDeConvert(const QString& S);
    // 11. Stores KeyValue as a 4-byte REG_DWORD, creating the key path.
    void WriteRegInt(const int32_t& HKey, const QString& Subkey, const QString& KeyName,
                     const int32_t& KeyValue);
    // 12. The value as text, read through a 500-byte buffer of blanks: leading and
    // trailing spaces trimmed, cut at the first zero byte, whatever the value's type.
    // DefaultReturn (empty when left out) when that is empty, or the key or value is
    // missing, or the value needs more than 499 characters.
    QString ReadRegStr(const int32_t& HKey, const QString& Subkey, const QString& KeyName,
                       const QString& DefaultReturn);
    QString ReadRegStr(const int32_t& HKey, const QString& Subkey, const QString& KeyName);
    // 13. A value of at most 4 bytes as a number, least significant byte first (a REG_SZ
    // "1" gives 49); 0 when the key or value is missing or longer.
    int32_t ReadRegInt(const int32_t& HKey, const QString& Subkey, const QString& KeyName);
    // 14. Deletes the key Key below Subkey; a key that has subkeys of its own stays.
    void DeleteRegKey(const int32_t& HKey, const QString& Subkey, const QString& Key);
    // 15. Deletes the value Value of the key Subkey.
    void DeleteRegValue(const int32_t& HKey, const QString& Subkey, const QString& Value);
    // 16. Replaces the file's contents with S and CR LF, creating the file. Raises 76
    // (path not found) for a missing folder or drive or a name ending in a separator,
    // 75 (path/file access error) for a folder or a file that may not be written, 70
    // (permission denied) for a write-protected disk, 61 (disk full), 67 (too many
    // files) when no file number is free, 52 (bad file name) for a name no file can
    // have.
    void WriteToFile(const QString& Filename, const QString& S);
    // 17. Adds S and CR LF at the file's end, creating it; raises as WriteToFile.
    void AppendToFile(const QString& Filename, const QString& S);
    // 18. The file's lines (ended by CR or CR LF; a lone LF stays in its line), each
    // followed by CR LF; the empty string for an empty file and on every failure (a
    // missing file, a folder, a name ending in a separator). Never raises.
    QString ReadFromFile(const QString& Filename);
    // 19. True when Bool is false, otherwise false. Yields once.
    bool OpposeBool(const bool& Bool);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Keeps the control at 600 x 600 twips whenever the host resizes it.
    void UserControl_Resize();
};

// Creates a control by its registered name ("Quorlin.QLFunctions", case ignored) as a
// child of parent; null for any other name.
QWidget* createQuorlinObject(const QString& progId, QWidget* parent = nullptr);
