#include "controls/placement/TFormStorage.h"

#include <QMetaEnum>
#include <QMetaProperty>
#include <QWidget>

namespace pagolux {

namespace {

// Trims blanks and control characters, as the stored texts are compared without them.
QString trimmed(const QString& s)
{
    qsizetype start = 0, end = s.size();
    while (start < end && s.at(start).unicode() <= 32)
        ++start;
    while (end > start && s.at(end - 1).unicode() <= 32)
        --end;
    return s.mid(start, end - start);
}

std::optional<QMetaProperty> findProperty(const QObject* object, const QString& name)
{
    const QMetaObject* meta = object->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        QMetaProperty p = meta->property(i);
        if (QString::fromLatin1(p.name()).compare(name, Qt::CaseInsensitive) == 0)
            return p;
    }
    return std::nullopt;
}

// The names of an enumeration's values, lowest value first.
QStringList enumerationNames(const QMetaProperty& p)
{
    if (p.metaType().id() == QMetaType::Bool)
        return {QStringLiteral("False"), QStringLiteral("True")};
    QStringList names;
    if (p.isEnumType()) {
        const QMetaEnum e = p.enumerator();
        std::vector<std::pair<int, QString>> values;
        for (int i = 0; i < e.keyCount(); ++i)
            values.emplace_back(e.value(i), QString::fromLatin1(e.key(i)));
        std::stable_sort(values.begin(), values.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& v : values)
            names << v.second;
    }
    return names;
}

QString textForm(const QObject* object, const QMetaProperty& p)
{
    const QVariant value = p.read(object);
    if (p.metaType().id() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    if (p.isEnumType()) {
        const QMetaEnum e = p.enumerator();
        if (const char* key = e.valueToKey(value.toInt()))
            return QString::fromLatin1(key);
    }
    return trimmed(value.toString());
}

} // namespace

TFormStorage::TFormStorage(QObject* owner) : TFormPlacement(owner) {}

void TFormStorage::setStoredProps(const QStringList& props)
{
    entries_.clear();
    for (const QString& p : props)
        entries_.push_back(Entry{p, nullptr});
}

QStringList TFormStorage::StoredProps() const
{
    QStringList out;
    for (const Entry& e : entries_)
        out << e.text;
    return out;
}

void TFormStorage::Loaded(TFormHandlers formHandlers)
{
    resolve(true);
    TFormPlacement::Loaded(std::move(formHandlers));
}

void TFormStorage::resolve(bool afterLoading)
{
    for (std::size_t i = entries_.size(); i > 0; --i) {
        Entry& e = entries_[i - 1];
        const qsizetype dot = e.text.indexOf(QLatin1Char('.'));
        const QString component = dot < 0 ? QString() : e.text.left(dot).trimmed();
        const QString property = dot < 0 ? QString() : e.text.mid(dot + 1).trimmed();
        bool keep = !component.isEmpty() && !property.isEmpty();
        if (keep && afterLoading) {
            QObject* root = parent();
            e.component = root && root->objectName() == component
                              ? root
                              : (root ? root->findChild<QObject*>(component) : nullptr);
            keep = e.component != nullptr;
        } else if (keep) {
            keep = e.component != nullptr;
            if (keep)
                e.text = e.component->objectName() + QLatin1Char('.') + property;
        }
        if (!keep)
            entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i - 1));
    }
}

std::string TFormStorage::keyFor(const QObject* component, const QString& property)
{
    return (component->objectName() + QLatin1Char('_') + property).toStdString();
}

void TFormStorage::writeProperty(QObject* component, const QString& property)
{
    const auto p = findProperty(component, property);
    if (!p)
        return;
    WriteString(iniSection(), keyFor(component, property), textForm(component, *p).toStdString());
}

void TFormStorage::readProperty(QObject* component, const QString& property)
{
    const auto p = findProperty(component, property);
    if (!p || !p->isWritable())
        return;
    const std::string current = textForm(component, *p).toStdString();
    const QString text =
        trimmed(QString::fromStdString(ReadString(iniSection(), keyFor(component, property), current)));
    const QStringList names = enumerationNames(*p);
    if (p->metaType().id() == QMetaType::Bool) {
        for (int i = 0; i < names.size(); ++i)
            if (names[i].compare(text, Qt::CaseInsensitive) == 0) {
                p->write(component, i == 1);
                return;
            }
        return;
    }
    if (p->isEnumType()) {
        for (const QString& name : names)
            if (name.compare(text, Qt::CaseInsensitive) == 0) {
                p->write(component, p->enumerator().keyToValue(name.toLatin1().constData()));
                return;
            }
        return;
    }
    QVariant value(text);
    if (value.convert(p->metaType()))
        p->write(component, value);
}

void TFormStorage::savePlacement()
{
    TFormPlacement::savePlacement();
    resolve(false);
    for (const Entry& e : entries_) {
        const QString property = e.text.mid(e.text.indexOf(QLatin1Char('.')) + 1);
        writeProperty(e.component, property);
    }
}

void TFormStorage::restorePlacement()
{
    TFormPlacement::restorePlacement();
    try {
        resolve(false);
        for (const Entry& e : entries_) {
            const QString property = e.text.mid(e.text.indexOf(QLatin1Char('.')) + 1);
            try {
                readProperty(e.component, property);
            } catch (const std::exception&) {
                // one property that cannot be read does not stop the others
            }
        }
    } catch (const std::exception&) {
        // errors while reading properties are not reported
    }
}

} // namespace pagolux
