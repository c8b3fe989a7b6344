#pragma once
// Start-up of the program and its application-wide services: the application title, the
// error box of the message loop, and the headless jobs behind "--" options.

#include <QApplication>
#include <QString>

// The application: its event delivery catches what a handler throws, shows errors in the
// error box and swallows the silent abort, so the program goes on running.
class ScrivelleApplication : public QApplication {
public:
    ScrivelleApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

// The application title: " Scrivelle" at start-up, then the document's file name part.
QString applicationTitle();
void setApplicationTitle(const QString &title);

// The message loop's error box: the stop icon, OK, the application title as caption, and a
// full stop added when the message's last character sorts after ".".
QString errorBoxText(const QString &message);
void showErrorBox(const QString &message);

int scrivelleMain(int argc, char **argv);
