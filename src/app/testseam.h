#pragma once

struct MainWindowOptions;

// The end-to-end test (tests/e2e) drives the real program from outside, with X input events,
// and cannot reach its objects. Two environment variables let it do so; both are unset for a
// user, and then nothing here has any effect.
//
//   DAPCONTROL_TEST_ANNOUNCE_PORT=N  listen for announcements on UDP port N instead of 6696,
//                                    and send command datagrams to 127.0.0.1 port 9 (discard)
//                                    instead of the broadcast address, so the test stays on
//                                    loopback and beside any other running program.
//   DAPCONTROL_TEST_WIDGET_MAP=FILE  keep FILE describing what is on screen: one line per
//                                    visible window, widget and menu entry with its class
//                                    path, global geometry, enabled state and text. It is
//                                    rewritten (atomically) within 200 ms of a change.
namespace testseam {

// Applies the announcement port and command destination, when asked for.
void applyOptions(MainWindowOptions &options);

// Starts keeping the widget map, when asked for. Call once the main window exists.
void startWidgetMap();

} // namespace testseam
