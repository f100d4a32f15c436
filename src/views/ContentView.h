#pragma once

#include <QWidget>

class Store;

// The root of the main window's content. It reads everything it shows from the store it is given.
class ContentView : public QWidget {
    Q_OBJECT
public:
    explicit ContentView(Store &store, QWidget *parent = nullptr);

    Store &store() const { return m_store; }

private:
    Store &m_store;
};
