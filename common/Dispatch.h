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
// QtWindowObject made in holder). RuntimeError 13 for anything else or a null object.
WindowObject& toWindowObject(const QVariant& v, std::unique_ptr<QtWindowObject>& holder);

// The argument at index, or def when the caller left that optional argument out.
inline QVariant optionalArg(const QVariantList& args, int index, const QVariant& def) {
    return index < args.size() ? args.at(index) : def;
}

} // namespace dispatch
} // namespace quorlin

Q_DECLARE_METATYPE(quorlin::WindowObject*)
