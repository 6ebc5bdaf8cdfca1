// Problem reports: after a crash, the crash dump and the log of that run are
// kept in the log folder's "Event" subfolder, and the user is asked to send them.
#ifndef APP_SHELL_SERVICES_PROBLEM_REPORTS_H
#define APP_SHELL_SERVICES_PROBLEM_REPORTS_H

#include <QString>

class QWidget;

// Where users send problem reports.
QString problemReportAddress();

// Looks for crash dumps ("*.dmp") in the log folder. When there are any: the
// "Event" subfolder is emptied, the first dump and the log of the same run
// move there, the other dumps are deleted, and an information box over
// `parent` tells the user where the files are. Without dumps it does nothing.
// When "Event" cannot be made (or the dump cannot move into it), every dump
// and its log stay in the log folder, renamed with "reported-" in front so
// that the user is told of them once and the log pruning keeps them.
void checkForProblemReports(QWidget* parent = nullptr);

#endif
