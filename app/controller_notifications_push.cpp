#include "app/controller_notifications_push.h"

#include "controllers/controller_notifications.h"
#include "controllers/zr_hardware_controller.h"
#include "main_dj/controller_notifications_poll.h"

namespace {

void pushChangedRows() {
  takeChangedControllerNotifications([](const ZRControllerNotification& row) {
    MainNotification(row.name, row.deck, row.value, row.doubleValue, row.text);
    ZRHardwareController::SendNotificationToAll(row.name, row.deck, row.value, row.doubleValue, row.text);
  });
}

}  // namespace

void connectControllerNotifications() {
  installControllerNotificationTable();
  setControllerNotificationPusher(&pushChangedRows);
}
