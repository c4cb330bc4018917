#pragma once

#include "opos/CompanionBackends.h"
#include "opos/Waiter.h"

#include <QObject>
#include <QStringList>
#include <memory>

namespace sim {

// The simulated cash drawer: opens on OpenDrawer, closed again by hand.
class SimulatedCashDrawer : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SimulatedCashDrawer)

public:
    explicit SimulatedCashDrawer(QObject* parent = nullptr);
    ~SimulatedCashDrawer() override;

    bool isOpen() const;
    void closeByHand(); // fires the drawer's close event through its control object
    void kick();        // a pulse on the kick-out connector opens it, claimed or not
    // waiter: how its claims wait (blocking when none is given).
    std::unique_ptr<opos::CashDrawerBackend>
    createBackend(std::shared_ptr<opos::Waiter> waiter = {});

signals:
    void drawerChanged(bool open);

private:
    class Impl;
    std::unique_ptr<Impl> d;
};

// The simulated 2 x 20 line display: what it shows now.
class SimulatedLineDisplay : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SimulatedLineDisplay)

public:
    explicit SimulatedLineDisplay(QObject* parent = nullptr);
    ~SimulatedLineDisplay() override;

    QStringList rows() const; // 2 strings of 20 characters
    int32_t attribute() const;
    std::unique_ptr<opos::LineDisplayBackend>
    createBackend(std::shared_ptr<opos::Waiter> waiter = {});

signals:
    void displayChanged();

private:
    class Impl;
    std::unique_ptr<Impl> d;
};

} // namespace sim
