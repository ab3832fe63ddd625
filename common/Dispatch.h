#pragma once
// Late binding for the two library classes: a call by dispatch number or by member name
// with variant arguments. The helpers here turn the variants into the types the members
// take (raising the run-time errors a dispatch call raises) and write by-reference
// arguments back.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include "common/WindowObject.h"

#include <array>
#include <cstdint>
#include <memory>

class QWidget;

namespace quorlin {

namespace dispatch {

// The dispatch number of a member name in a table (names compared ignoring case, as
// the callers' language does); -1 when the table has no such member. Numbers count from
// 1 in table order.
int dispIdOf(const QStringList& table, const QString& name);

// RuntimeError 5 unless minCount <= args.size() <= maxCount.
void checkCount(const QVariantList& args, int minCount, int maxCount);

// Argument conversions. A value of the wrong kind raises RuntimeError 13 ("Type
// mismatch"), a number out of range RuntimeError 6. Booleans accept true/false and
// numbers (0 false, anything else true; -1 is the callers' true); integers accept whole
// numbers, doubles (rounded half to even), booleans (-1/0) and numeric text.
QString toText(const QVariant& v);
int32_t toInt32(const QVariant& v);
int16_t toInt16(const QVariant& v);
bool toBool(const QVariant& v);

// The window object behind an argument: a quorlin::WindowObject* or a QWidget* (then a
// QtWindowObject made in holder); a null one is prgmain::noWindow(). RuntimeError 13 for
// anything else.
WindowObject& toWindowObject(const QVariant& v, std::unique_ptr<QtWindowObject>& holder);

// By-reference arguments of one late-bound call: converted on the way in, written back
// into the caller's list on the way out (also when the member fails, as the caller's
// variable itself would have changed by then), and only when the member changed them.
// Each accessor converts argument i (RuntimeError 13 or 6 as above); the ...Or forms
// give the default for an optional argument the caller left out.
class RefArgs {
public:
    // The most arguments one member takes, and so the most one call holds.
    static constexpr int kMaxHeld = 8;

    explicit RefArgs(QVariantList& args);
    ~RefArgs();
    RefArgs(const RefArgs&) = delete;
    RefArgs& operator=(const RefArgs&) = delete;

    QString& text(int i);
    QString& textOr(int i, const QString& def);
    int32_t& int32(int i);
    int32_t& int32Or(int i, int32_t def);
    bool& boolean(int i);
    bool& booleanOr(int i, bool def);

private:
    // One held argument; the "was" values tell whether the member changed it. Kept in
    // place, so the references handed out stay valid for the whole call.
    struct Held {
        enum Kind { Text, Int, Bool } kind = Text;
        int index = -1; // the argument written back; -1 for a default
        QString text, textWas;
        int32_t number = 0, numberWas = 0;
        bool flag = false, flagWas = false;
    };
    Held& hold(int i, Held::Kind kind);

    QVariantList& m_args;
    std::array<Held, kMaxHeld> m_held;
    int m_count = 0;
};

// The argument at index, or def when the caller left that optional argument out.
inline QVariant optionalArg(const QVariantList& args, int index, const QVariant& def) {
    return index < args.size() ? args.at(index) : def;
}

} // namespace dispatch
} // namespace quorlin

Q_DECLARE_METATYPE(quorlin::WindowObject*)
