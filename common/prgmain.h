#pragma once
// The one implementation of the routines that the control class QLFunctions (library
// Quorlin) and the global class Functions (library QuorlinDLL) share. Both forward to
// these; the names are the control's, the class's other names are noted beside them.
//
// Paths are Windows paths (a DOS path "C:\x\y" or an absolute host path), text is
// QString and goes to the registry and to text files in the ANSI code page
// (Windows-1252). A routine that fails throws quorlin::RuntimeError with the number a
// Windows program reports; the routines that the callers expect never to fail say so.
// Routines marked "yields" let the event loop deliver pending events while they run.

#include <QString>
#include <QStringList>

#include <cstdint>

namespace quorlin {
class WindowObject;
}

namespace prgmain {

// ---- path, drive and file tests (never fail, except ChkFileExist with no free file
// number: RuntimeError 67) -------------------------------------------------------------

// An existing folder the process may enter; the current directory is unchanged.
bool ChkPathExist(const QString& path);
// The drive (only the first character counts) can be made the current drive.
// (Functions: ChkDriveExist)
bool ChkDrvExist(const QString& drive);
// An existing file the process can open for reading.
bool ChkFileExist(const QString& filename);

// ---- registry (never report a failure) ------------------------------------------------
// hKey is the predefined root-key number (0x80000001 for HKEY_CURRENT_USER ...), passed
// as the 32-bit value the callers hold.

// Writes keyValue as REG_SZ with its terminator, creating the key path.
void WriteRegStr(int32_t hKey, const QString& subkey, const QString& keyName, const QString& keyValue);
// The same bytes (text and terminator) under the given type, whatever it is.
// (Functions: WriteRegistry)
void WriteRegistry(int32_t hKey, const QString& subkey, const QString& valueName, int32_t keyType,
                   const QString& keyValue);
// Writes keyValue as a 4-byte REG_DWORD. (Functions: WriteRegistryAsNumber)
void WriteRegInt(int32_t hKey, const QString& subkey, const QString& keyName, int32_t keyValue);
// The text through a 500-byte buffer of blanks: trimmed of spaces, cut at the first
// zero; defaultReturn when that is empty or the value is missing or too long.
QString ReadRegStr(int32_t hKey, const QString& subkey, const QString& keyName,
                   const QString& defaultReturn = QString());
// As ReadRegStr; on a successful query valueType receives the value's actual type.
// (Functions: ReadRegistry)
QString ReadRegistry(int32_t hKey, const QString& subkey, const QString& valueName, int32_t& valueType,
                     const QString& defaultValue = QString());
// A value of at most 4 bytes as a number (least significant byte first), else 0.
// (Functions: ReadRegistryAsNumber)
int32_t ReadRegInt(int32_t hKey, const QString& subkey, const QString& keyName);
// Deletes the subkey key of subkey (refused when it has subkeys of its own).
void DeleteRegKey(int32_t hKey, const QString& subkey, const QString& key);
void DeleteRegValue(int32_t hKey, const QString& subkey, const QString& value);
// The text before the first zero character (all of it when there is none).
QString StripTerminator(const QString& text);

// ---- text files (ANSI, CR LF) ---------------------------------------------------------

// Replaces the file's contents with s and a line break; RuntimeError on failure.
// (Functions: WriteFile)
void WriteToFile(const QString& filename, const QString& s);
// Adds s and a line break at the file's end, creating it; RuntimeError on failure.
// (Functions: AppendFile)
void AppendToFile(const QString& filename, const QString& s);
// Every line (ended by CR or CR LF) followed by CR LF; the empty string on any failure.
// (Functions: ReadFile)
QString ReadFromFile(const QString& filename);

// Expands an LZ (SZDD) compressed file into dest, or copies any other file unchanged.
// A missing source is asked for with Retry/Cancel. Reports nothing.
void DecompressLZFile(const QString& src, const QString& dest);

// ---- folders and names ----------------------------------------------------------------

// Deletes everything in the folder (text with trailing backslash), subfolders included;
// yields once per entry; reports nothing. A symbolic link is removed itself, never
// followed. The file kept (a full path as the folder's text spells it below, compared
// ignoring case; empty for none) is left where it is, as Windows leaves a file in use.
void ClearFolder(const QString& path, const QString& kept = QString());
// The full names of the readable files of the folder tree, in listing order; yields
// when input is waiting; never fails.
QStringList LookFolder(const QString& path);
// The name after the last backslash; a trailing backslash is first removed from the
// caller's variable; "" for 3 characters or fewer; RuntimeError 5 without a backslash.
// Yields per character examined.
QString GetFilename(QString& path);
// The last dot and what follows it (the whole text without a dot); a trailing dot is
// first removed from the caller's variable. Never fails.
QString GetExtension(QString& filename);

// ---- waiting, random numbers ----------------------------------------------------------

// Waits until the clock reaches its value at the call (rounded to the whole second,
// halves to even) plus seconds; yields meanwhile when doEvents. RuntimeError 6 when the
// end does not fit in 32 bits. Sleeps between clock readings. (Functions: DelayExecution)
void Delay(int32_t seconds, bool doEvents = true);
// floor(r * (upperbound - lowerbound + 1) + lowerbound) for the next fraction r of the
// process-wide generator, which the library never seeds; RuntimeError 6 on overflow.
int32_t RandomNumber(int32_t upperbound, int32_t lowerbound);
// The next fraction of that generator: single precision, 0 <= r < 1.
float nextRandomFraction();

// ---- drawing --------------------------------------------------------------------------

// The grey shaded background; colour1 and colour2 outside 16 bits: RuntimeError 6
// before anything is drawn. Yields twice. Later failures skip their step.
void DrawWindow(quorlin::WindowObject& target, int32_t colour1, int32_t colour2, int32_t backgrd);
// The window object of no window (a null one): each property and operation fails, so
// the drawing routines check their arguments and skip every drawing step.
quorlin::WindowObject& noWindow();
// The same background with the levels as 16-bit numbers: never fails.
// (Functions: DrawBackGrd_XP)
void DrawBackGrd_XP(quorlin::WindowObject& target, int16_t colour1, int16_t colour2, int32_t backgrdClr);

// ---- strings and booleans -------------------------------------------------------------

// The code of one ANSI character shifted: +20 up to 235, -20 from 236. Yields once.
int ConvertChar(int code);
// The reverse rule: 216..234 gain 20, every other code loses 20; a result below 0 means
// no character. Yields once.
int DeconvertChar(int code);
// Every character through ConvertChar, yielding once more after each.
// (Functions: ConvertStr)
QString StrConvert(const QString& s);
// Every character through DeconvertChar (codes below 20 dropped), yielding once more
// after each. (Functions: DEconvertSTR)
QString StrDeConvert(const QString& s);
// Logical negation; yields once. (Functions: OpposeBoolean)
bool OpposeBool(bool value);

} // namespace prgmain
