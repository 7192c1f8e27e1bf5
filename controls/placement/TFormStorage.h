#pragma once
// TFormStorage: a TFormPlacement that also keeps chosen properties of the window's controls.
// Each StoredProps entry names a component and a property, "AutoStartCheck.Checked"; its key
// is component name + "_" + property name as written in the entry ("AutoStartCheck_Checked").
// Booleans and other enumerations are stored by the name of their value ("True"/"False") and
// read back by comparing the trimmed text without regard to case with each name in value
// order; a text that matches no name leaves the property unchanged.

#include "controls/placement/TFormPlacement.h"

#include <QPointer>
#include <QStringList>

#include <vector>

namespace pagolux {

class TFormStorage : public TFormPlacement {
    Q_OBJECT

  public:
    explicit TFormStorage(QObject* owner);

    // Replaces the list; entries are resolved to their components by Loaded().
    void setStoredProps(const QStringList& props);
    // The current entries as "Component.Property".
    [[nodiscard]] QStringList StoredProps() const;

    void Loaded(TFormHandlers formHandlers) override;

  protected:
    void savePlacement() override;
    void restorePlacement() override;

  private:
    struct Entry {
        QString text;
        QPointer<QObject> component;
    };
    // Drops malformed entries; after loading it looks the components up by name, at a pass
    // it drops entries whose component is gone and renames the others after it.
    void resolve(bool afterLoading);
    void writeProperty(QObject* component, const QString& property);
    void readProperty(QObject* component, const QString& property);
    [[nodiscard]] static std::string keyFor(const QObject* component, const QString& property);

    std::vector<Entry> entries_;
};

} // namespace pagolux
