#include "Dispatch.h"

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
    if (v.metaType() == QMetaType::fromType<WindowObject*>()) {
        if (auto* w = v.value<WindowObject*>())
            return *w;
        throw RuntimeError(ErrTypeMismatch);
    }
    if (v.metaType().flags().testFlag(QMetaType::PointerToQObject)) {
        if (auto* widget = qobject_cast<QWidget*>(v.value<QObject*>())) {
            holder = std::make_unique<QtWindowObject>(widget);
            return *holder;
        }
    }
    throw RuntimeError(ErrTypeMismatch);
}

RefArgs::RefArgs(QVariantList& args) : m_args(args) {}

RefArgs::~RefArgs() {
    for (const auto& back : m_writeBacks)
        back();
}

namespace {
template <typename T>
std::vector<std::unique_ptr<T>>& storeOf(std::vector<std::unique_ptr<QString>>& texts,
                                         std::vector<std::unique_ptr<int32_t>>& ints,
                                         std::vector<std::unique_ptr<bool>>& bools) {
    if constexpr (std::is_same_v<T, QString>)
        return texts;
    else if constexpr (std::is_same_v<T, int32_t>)
        return ints;
    else
        return bools;
}
} // namespace

// Keeps the converted value where the member can change it; i < 0 for a left-out
// optional argument, which has no place in the list to go back to.
template <typename T> T& RefArgs::hold(int i, T value) {
    auto& store = storeOf<T>(m_texts, m_ints, m_bools);
    T* p = store.emplace_back(std::make_unique<T>(value)).get();
    if (i >= 0) {
        m_writeBacks.push_back([this, i, p, value] {
            if (*p != value)
                m_args[i] = QVariant::fromValue(*p);
        });
    }
    return *p;
}

QString& RefArgs::text(int i) {
    return hold<QString>(i, toText(m_args.at(i)));
}
QString& RefArgs::textOr(int i, const QString& def) {
    return i < m_args.size() ? text(i) : hold<QString>(-1, def);
}
int32_t& RefArgs::int32(int i) {
    return hold<int32_t>(i, toInt32(m_args.at(i)));
}
int32_t& RefArgs::int32Or(int i, int32_t def) {
    return i < m_args.size() ? int32(i) : hold<int32_t>(-1, def);
}
bool& RefArgs::boolean(int i) {
    return hold<bool>(i, toBool(m_args.at(i)));
}
bool& RefArgs::booleanOr(int i, bool def) {
    return i < m_args.size() ? boolean(i) : hold<bool>(-1, def);
}

} // namespace quorlin::dispatch
