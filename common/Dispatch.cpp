#include "Dispatch.h"

#include "prgmain.h"

#include "RuntimeError.h"

#include <QMetaType>
#include <QWidget>

#include <cmath>
#include <limits>
#include <type_traits>

namespace quorlin::dispatch {

int dispIdOf(const QStringList& table, const QString& name) {
    for (qsizetype i = 0; i < table.size(); ++i) {
        if (table.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i) + 1;
    }
    return -1;
}

void checkCount(const QVariantList& args, int minCount, int maxCount) {
    if (args.size() < minCount || args.size() > maxCount)
        throw RuntimeError(ErrInvalidCall);
}

namespace {

bool isIntegerType(int id) {
    switch (id) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

int32_t fromDouble(double d) {
    if (!std::isfinite(d))
        throw RuntimeError(ErrOverflow);
    // Whole numbers from fractions round half to even, as the callers' language does.
    const double r = std::nearbyint(d);
    if (r < std::numeric_limits<int32_t>::min() || r > std::numeric_limits<int32_t>::max())
        throw RuntimeError(ErrOverflow);
    return static_cast<int32_t>(r);
}

} // namespace

QString toText(const QVariant& v) {
    const int id = v.metaType().id();
    if (!v.isValid())
        return QString();
    if (id == QMetaType::QString)
        return v.toString();
    if (id == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    if (isIntegerType(id) || id == QMetaType::Double || id == QMetaType::Float)
        return v.toString();
    throw RuntimeError(ErrTypeMismatch);
}

int32_t toInt32(const QVariant& v) {
    const int id = v.metaType().id();
    if (!v.isValid())
        return 0;
    if (id == QMetaType::Bool)
        return v.toBool() ? -1 : 0;
    if (id == QMetaType::ULongLong || id == QMetaType::ULong || id == QMetaType::UInt) {
        const qulonglong u = v.toULongLong();
        if (u > qulonglong(std::numeric_limits<int32_t>::max()))
            throw RuntimeError(ErrOverflow);
        return static_cast<int32_t>(u);
    }
    if (isIntegerType(id)) {
        const qlonglong n = v.toLongLong();
        if (n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<int32_t>::max())
            throw RuntimeError(ErrOverflow);
        return static_cast<int32_t>(n);
    }
    if (id == QMetaType::Double || id == QMetaType::Float)
        return fromDouble(v.toDouble());
    if (id == QMetaType::QString) {
        bool ok = false;
        const double d = v.toString().trimmed().toDouble(&ok);
        if (!ok)
            throw RuntimeError(ErrTypeMismatch);
        return fromDouble(d);
    }
    throw RuntimeError(ErrTypeMismatch);
}

int16_t toInt16(const QVariant& v) {
    const int32_t n = toInt32(v);
    if (n < std::numeric_limits<int16_t>::min() || n > std::numeric_limits<int16_t>::max())
        throw RuntimeError(ErrOverflow);
    return static_cast<int16_t>(n);
}

bool toBool(const QVariant& v) {
    const int id = v.metaType().id();
    if (!v.isValid())
        return false;
    if (id == QMetaType::Bool)
        return v.toBool();
    if (isIntegerType(id) || id == QMetaType::Double || id == QMetaType::Float)
        return v.toDouble() != 0.0;
    if (id == QMetaType::QString) {
        const QString s = v.toString().trimmed();
        if (s.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return true;
        if (s.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return false;
        bool ok = false;
        const double d = s.toDouble(&ok);
        if (!ok)
            throw RuntimeError(ErrTypeMismatch);
        return d != 0.0;
    }
    throw RuntimeError(ErrTypeMismatch);
}

WindowObject& toWindowObject(const QVariant& v, std::unique_ptr<QtWindowObject>& holder) {
    // A null window is no window: the routines then draw nothing and report nothing.
    if (v.metaType() == QMetaType::fromType<WindowObject*>()) {
        auto* w = v.value<WindowObject*>();
        return w ? *w : prgmain::noWindow();
    }
    if (v.metaType() == QMetaType::fromType<std::nullptr_t>())
        return prgmain::noWindow();
    if (v.metaType().flags().testFlag(QMetaType::PointerToQObject)) {
        QObject* object = v.value<QObject*>();
        if (!object)
            return prgmain::noWindow();
        if (auto* widget = qobject_cast<QWidget*>(object)) {
            holder = std::make_unique<QtWindowObject>(widget);
            return *holder;
        }
    }
    throw RuntimeError(ErrTypeMismatch);
}

RefArgs::RefArgs(QVariantList& args) : m_args(args) {}

RefArgs::~RefArgs() {
    for (int k = 0; k < m_count; ++k) {
        const Held& h = m_held[static_cast<size_t>(k)];
        if (h.index < 0)
            continue;
        switch (h.kind) {
        case Held::Text:
            if (h.text != h.textWas)
                m_args[h.index] = QVariant::fromValue(h.text);
            break;
        case Held::Int:
            if (h.number != h.numberWas)
                m_args[h.index] = QVariant::fromValue(h.number);
            break;
        case Held::Bool:
            if (h.flag != h.flagWas)
                m_args[h.index] = QVariant::fromValue(h.flag);
            break;
        }
    }
}

RefArgs::Held& RefArgs::hold(int i, Held::Kind kind) {
    // A member never asks for more arguments than it takes; more is a fault of its table.
    if (m_count >= kMaxHeld)
        throw RuntimeError(ErrInvalidCall);
    Held& h = m_held[static_cast<size_t>(m_count++)];
    h.kind = kind;
    h.index = i;
    return h;
}

QString& RefArgs::text(int i) {
    Held& h = hold(i, Held::Text);
    h.text = h.textWas = toText(m_args.at(i));
    return h.text;
}
QString& RefArgs::textOr(int i, const QString& def) {
    if (i < m_args.size())
        return text(i);
    Held& h = hold(-1, Held::Text);
    h.text = def;
    return h.text;
}
int32_t& RefArgs::int32(int i) {
    Held& h = hold(i, Held::Int);
    h.number = h.numberWas = toInt32(m_args.at(i));
    return h.number;
}
int32_t& RefArgs::int32Or(int i, int32_t def) {
    if (i < m_args.size())
        return int32(i);
    Held& h = hold(-1, Held::Int);
    h.number = def;
    return h.number;
}
bool& RefArgs::boolean(int i) {
    Held& h = hold(i, Held::Bool);
    h.flag = h.flagWas = toBool(m_args.at(i));
    return h.flag;
}
bool& RefArgs::booleanOr(int i, bool def) {
    if (i < m_args.size())
        return boolean(i);
    Held& h = hold(-1, Held::Bool);
    h.flag = def;
    return h.flag;
}

} // namespace quorlin::dispatch
