"""Stand-ins for a desktop's session-bus services, each recording what the
program asks of it, one line per event, in a log file:

  desktop_bus.py watcher LOG        org.kde.StatusNotifierWatcher, as a
                                    panel's tray runs it: "registered NAME"
                                    for each icon, "unregistered NAME" when
                                    the icon's bus name goes
  desktop_bus.py notifications LOG  org.freedesktop.Notifications:
                                    "notify APP | SUMMARY | BODY" per call

Each writes "ready" once it owns its bus name and runs until killed.
(System python with python3-gi.)
"""
import sys

from gi.repository import Gio, GLib

WATCHER_XML = """
<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
  </interface>
</node>
"""

NOTIFICATIONS_XML = """
<node>
  <interface name="org.freedesktop.Notifications">
    <method name="Notify">
      <arg type="s" direction="in"/><arg type="u" direction="in"/><arg type="s" direction="in"/>
      <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="as" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="i" direction="in"/><arg type="u" direction="out"/>
    </method>
    <method name="CloseNotification"><arg type="u" direction="in"/></method>
    <method name="GetCapabilities"><arg type="as" direction="out"/></method>
    <method name="GetServerInformation">
      <arg type="s" direction="out"/><arg type="s" direction="out"/>
      <arg type="s" direction="out"/><arg type="s" direction="out"/>
    </method>
    <signal name="NotificationClosed"><arg type="u"/><arg type="u"/></signal>
    <signal name="ActionInvoked"><arg type="u"/><arg type="s"/></signal>
  </interface>
</node>
"""


class Log:
    def __init__(self, path):
        self.file = open(path, "a", buffering=1)

    def write(self, line):
        self.file.write(line.replace("\n", " ") + "\n")


class Watcher:
    PATH = "/StatusNotifierWatcher"
    NAME = "org.kde.StatusNotifierWatcher"

    def __init__(self, bus, log):
        self.bus, self.log, self.items = bus, log, []
        info = Gio.DBusNodeInfo.new_for_xml(WATCHER_XML).interfaces[0]
        bus.register_object(self.PATH, info, self.call, self.get, None)
        bus.signal_subscribe("org.freedesktop.DBus", "org.freedesktop.DBus", "NameOwnerChanged",
                             "/org/freedesktop/DBus", None, Gio.DBusSignalFlags.NONE, self.owner_changed)

    def emit(self, signal, args):
        self.bus.emit_signal(None, self.PATH, self.NAME, signal, args)

    def call(self, bus, sender, path, interface, method, args, invocation):
        if method == "RegisterStatusNotifierItem":
            service = args.unpack()[0]
            # An item may name its object path only; its bus name is then the caller's.
            name = sender if service.startswith("/") else service
            if name not in self.items:
                self.items.append(name)
            self.log.write("registered " + name)
            self.emit("StatusNotifierItemRegistered", GLib.Variant("(s)", (name,)))
        invocation.return_value(None)

    def get(self, bus, sender, path, interface, prop):
        if prop == "RegisteredStatusNotifierItems":
            return GLib.Variant("as", self.items)
        if prop == "IsStatusNotifierHostRegistered":
            return GLib.Variant("b", True)
        return GLib.Variant("i", 0)

    def owner_changed(self, bus, sender, path, interface, signal, args):
        name, _old, new = args.unpack()
        if name in self.items and not new:
            self.items.remove(name)
            self.log.write("unregistered " + name)
            self.emit("StatusNotifierItemUnregistered", GLib.Variant("(s)", (name,)))


class Notifications:
    PATH = "/org/freedesktop/Notifications"
    NAME = "org.freedesktop.Notifications"

    def __init__(self, bus, log):
        self.log, self.count = log, 0
        info = Gio.DBusNodeInfo.new_for_xml(NOTIFICATIONS_XML).interfaces[0]
        bus.register_object(self.PATH, info, self.call, None, None)

    def call(self, bus, sender, path, interface, method, args, invocation):
        if method == "Notify":
            app, _replaces, _icon, summary, body, _actions, _hints, _timeout = args.unpack()
            self.count += 1
            self.log.write(f"notify {app} | {summary} | {body}")
            invocation.return_value(GLib.Variant("(u)", (self.count,)))
        elif method == "GetCapabilities":
            invocation.return_value(GLib.Variant("(as)", (["body"],)))
        elif method == "GetServerInformation":
            invocation.return_value(GLib.Variant("(ssss)", ("recorder", "tikr tests", "1", "1.2")))
        else:
            invocation.return_value(None)


def main(argv):
    services = {"watcher": Watcher, "notifications": Notifications}
    if len(argv) != 3 or argv[1] not in services:
        sys.exit(__doc__)
    log = Log(argv[2])
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    service = services[argv[1]](bus, log)
    loop = GLib.MainLoop()
    Gio.bus_own_name_on_connection(bus, service.NAME, Gio.BusNameOwnerFlags.NONE,
                                   lambda *_: log.write("ready"), lambda *_: loop.quit())
    loop.run()
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
