#pragma once

#include <QObject>

class WidgetsTest : public QObject {
  Q_OBJECT

 private slots:
  void iconSitsThreeInAndCentred();
  void textViewIgnoresTyping();
  void buttonTellsEnterAndLeaveOnce();
  void sheetsHangByWindowHeight();
};
