// upgrade: the wizard that upgrades a firewall's configuration from the 5.x generation to 6.0.
#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return 0;
}
