#include "window/switch_item.h"

#include <QAccessible>
#include <QAction>
#include <QMenu>
#include <QPointer>
#include <mutex>

namespace roruvez {

namespace {

class SwitchAction : public QAction {
    using QAction::QAction;
};

// Seen as a check box, the role whose state every screen reader speaks, checked or not.
class SwitchItem : public QAccessibleInterface, public QAccessibleActionInterface {
  public:
    explicit SwitchItem(SwitchAction* action) : action_(action) {}

    bool isValid() const override { return !action_.isNull() && menu() != nullptr; }
    QObject* object() const override { return action_; }
    QWindow* window() const override { return menu() ? menu()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(menu());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text which) const override {
        if (which == QAccessible::Name) {
            return action_->text().remove(QLatin1Char('&'));
        }
        return which == QAccessible::Description ? action_->toolTip() : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        const QMenu* shown = menu();
        if (!shown) {
            return {};
        }
        const QRect area = shown->actionGeometry(action_);
        return {shown->mapToGlobal(area.topLeft()), area.size()};
    }
    QAccessible::Role role() const override { return QAccessible::CheckBox; }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.checkable = true;
        state.checked = action_->isChecked();
        state.disabled = !action_->isEnabled();
        state.focusable = true;
        state.focused = menu() && menu()->activeAction() == action_;
        state.invisible = !action_->isVisible() || !menu() || !menu()->isVisible();
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override { return {toggleAction()}; }
    void doAction(const QString& name) override {
        if (name == toggleAction() || name == pressAction()) {
            action_->trigger();
        }
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

  private:
    QMenu* menu() const { return action_ ? qobject_cast<QMenu*>(action_->parent()) : nullptr; }

    QPointer<SwitchAction> action_;
};

QAccessibleInterface* switchItemInterface(const QString&, QObject* object) {
    if (auto* action = dynamic_cast<SwitchAction*>(object)) {
        return new SwitchItem(action);
    }
    return nullptr;
}

}  // namespace

QAction* addSwitchItem(QMenu& menu, const QString& text) {
    static std::once_flag known;
    std::call_once(known, [] { QAccessible::installFactory(switchItemInterface); });
    auto* action = new SwitchAction(text, &menu);
    action->setCheckable(true);
    menu.addAction(action);
    QObject::connect(action, &QAction::toggled, action, [action] {
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(action, changed);
        QAccessible::updateAccessibility(&event);
    });
    return action;
}

}  // namespace roruvez
