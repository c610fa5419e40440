#pragma once
// Log helpers shared by the upgrade's sources.

namespace korvel {

// The local time stamp that precedes every block sent and every acknowledgement that changes
// the upgrade state: "year.month.day hour:minute:second:millisecond".
void LogUpgradeTimeStamp();

}  // namespace korvel
