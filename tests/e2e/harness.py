"""harness.py: runs the real programs on a private virtual X server and drives them.

Each test class gets its own Xvfb (so that parallel tests never share windows or focus),
finds windows by title and class, sends keys and mouse input with xdotool, reads pictures
of windows with xwd, and measures CPU time from /proc.
"""
import ctypes
import os
import re
import shutil
import signal
import struct
import subprocess
import tempfile
import time
import unittest


class VirtualDisplay:
    """A private Xvfb; `env` is the environment for programs that should run on it."""

    def __init__(self, width=600, height=450):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % (width, height), "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    raise RuntimeError("Xvfb did not start")
                number += chunk
        self.name = ":" + number.decode().strip()
        self.width, self.height = width, height
        self.env = dict(os.environ, DISPLAY=self.name)
        self.env.pop("SDL_VIDEODRIVER", None)

    def close(self):
        self.process.terminate()
        self.process.wait(10)

    def run(self, *command, **kwargs):
        # a busy X server refuses a connection now and then: a tool that could not connect
        # tries again
        for _ in range(5):
            result = subprocess.run(list(command), env=self.env, capture_output=True, text=True, timeout=20, **kwargs)
            if "open display" not in result.stderr:
                return result
            time.sleep(0.1)
        return result

    def windows(self, title=None):
        """(id, title, class, width, height, viewable) of the top-level windows (with that title)."""
        tree = self.run("xwininfo", "-root", "-children").stdout
        found = []
        for line in tree.splitlines():
            m = re.match(r'\s+(0x[0-9a-f]+) "(.*)": \((.*)\)\s+(\d+)x(\d+)', line)
            if not m or (title is not None and m.group(2) != title):
                continue
            window = m.group(1)
            # few connections to the server: only the windows asked about are looked into
            state = self.run("xwininfo", "-id", window).stdout
            classes = re.findall(r'"([^"]*)"', m.group(3))
            found.append((window, m.group(2), classes[-1] if classes else "", int(m.group(4)), int(m.group(5)),
                          "IsViewable" in state))
        return found

    def wait_for_window(self, title, with_class=None, timeout=10, every=0.2):
        """The id of a viewable window with that title (and X11 class, "" for none)."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            for window, _, cls, _, _, viewable in self.windows(title):
                if viewable and (with_class is None or cls == with_class):
                    return window
            time.sleep(every)
        return None

    def key(self, window, *keys):
        self.run("xdotool", "key", "--window", window, *keys)

    def mouse_move(self, window, x, y):
        self.run("xdotool", "mousemove", "--window", window, str(x), str(y))

    def mouse(self, action, button):
        self.run("xdotool", action, str(button))

    def drag(self, window, button, start, end, steps=8, slow_end=False):
        """slow_end: the last step is one pixel, so that a spin the release starts turns the
        model so slowly that a late key to stop it (on a loaded machine) changes nothing."""
        self.mouse_move(window, *start)
        time.sleep(0.05)
        self.mouse("mousedown", button)
        for i in range(1, steps + 1):
            self.mouse_move(window, start[0] + (end[0] - start[0]) * i // steps,
                            start[1] + (end[1] - start[1]) * i // steps)
            time.sleep(0.03)
        if slow_end:
            self.mouse_move(window, end[0], end[1] + 1)
            time.sleep(0.03)
        self.mouse("mouseup", button)

    def close_from_title_bar(self, window):
        """Sends WM_DELETE_WINDOW, as a window manager's close button does."""
        x11 = xlib()
        display = x11.XOpenDisplay(self.name.encode())
        event = ClientMessage()
        event.type = CLIENT_MESSAGE
        event.window = int(window, 16)
        event.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
        event.format = 32
        event.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        x11.XSendEvent(display, event.window, 0, 0, ctypes.byref(event))
        x11.XFlush(display)
        x11.XCloseDisplay(display)

    def drop_file(self, window, path, timeout=10):
        """Drops a file on the window as a file manager does, over XDND: enter, position and
        drop from a window of our own, which hands over the file's URI when the target asks
        for the selection. True once the target said it finished."""
        x11 = xlib()
        display = x11.XOpenDisplay(self.name.encode())
        atom = lambda name: x11.XInternAtom(display, name.encode(), 0)  # noqa: E731
        target = int(window, 16)
        source = x11.XCreateSimpleWindow(display, x11.XDefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0)
        x11.XSetSelectionOwner(display, atom("XdndSelection"), source, 0)

        def send(kind, *values):
            event = ClientMessage()
            event.type = CLIENT_MESSAGE
            event.window = target
            event.message_type = atom(kind)
            event.format = 32
            event.data[0] = source
            for i, value in enumerate(values):
                event.data[i + 1] = value
            x11.XSendEvent(display, target, 0, 0, ctypes.byref(event))
            x11.XFlush(display)

        x, y = self.origin(window)
        send("XdndEnter", 5 << 24, atom("text/uri-list"))
        send("XdndPosition", 0, ((x + 20) << 16) | (y + 20), 0, atom("XdndActionCopy"))
        uri = ("file://" + os.path.abspath(path) + "\r\n").encode()
        event = (ctypes.c_long * 24)()
        deadline = time.time() + timeout
        finished = False
        while not finished and time.time() < deadline:
            if not x11.XPending(display):
                time.sleep(0.02)
                continue
            x11.XNextEvent(display, event)
            kind = ctypes.cast(event, ctypes.POINTER(ctypes.c_int))[0]
            if kind == CLIENT_MESSAGE:
                message = ctypes.cast(event, ctypes.POINTER(ClientMessage))[0]
                if message.message_type == atom("XdndStatus"):
                    send("XdndDrop", 0, 0)
                finished = message.message_type == atom("XdndFinished")
            elif kind == SELECTION_REQUEST:
                request = ctypes.cast(event, ctypes.POINTER(SelectionEvent))[0]
                x11.XChangeProperty(display, request.requestor, request.property, request.target, 8, 0, uri, len(uri))
                reply = SelectionEvent(SELECTION_NOTIFY, 0, 1, display, request.requestor, request.selection,
                                       request.target, request.property, request.time)
                x11.XSendEvent(display, request.requestor, 0, 0, ctypes.byref(reply))
                x11.XFlush(display)
        x11.XDestroyWindow(display, source)
        x11.XCloseDisplay(display)
        return finished

    def origin(self, window):
        """The screen position of the window's top-left pixel."""
        info = self.run("xwininfo", "-id", window).stdout
        return (int(re.search(r"Absolute upper-left X:\s+(-?\d+)", info).group(1)),
                int(re.search(r"Absolute upper-left Y:\s+(-?\d+)", info).group(1)))

    def picture(self, window):
        """The window's pixels as a Picture."""
        with tempfile.NamedTemporaryFile(suffix=".xwd") as f:
            self.run("xwd", "-id", window, "-silent", "-out", f.name)
            with open(f.name, "rb") as data:
                return Picture(data.read())

    def settled_picture(self, window, unlike=None, timeout=10):
        """The window's pixels once they differ from unlike (when given) and two pictures a
        quarter second apart agree: a loaded machine can be several frames behind the keys."""
        deadline = time.time() + timeout
        last = self.picture(window)
        while unlike is not None and last.same_as(unlike) and time.time() < deadline:
            time.sleep(0.05)
            last = self.picture(window)
        while time.time() < deadline:
            time.sleep(0.25)
            now = self.picture(window)
            if now.same_as(last):
                return now
            last = now
        return last


CLIENT_MESSAGE, SELECTION_REQUEST, SELECTION_NOTIFY = 33, 30, 31


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]


class SelectionEvent(ctypes.Structure):
    """A selection request, and the notice that answers it (its owner field unused)."""
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("owner", ctypes.c_ulong), ("requestor", ctypes.c_ulong),
                ("selection", ctypes.c_ulong), ("target", ctypes.c_ulong), ("property", ctypes.c_ulong),
                ("time", ctypes.c_ulong), ("pad", ctypes.c_long * 14)]


def xlib():
    """Xlib, with the types of the calls the tests make."""
    x11 = ctypes.CDLL("libX11.so.6")
    ulong, ptr = ctypes.c_ulong, ctypes.c_void_p
    x11.XOpenDisplay.restype = ptr
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ulong
    x11.XInternAtom.argtypes = [ptr, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ptr, ulong, ctypes.c_int, ctypes.c_long, ptr]
    x11.XDefaultRootWindow.restype = ulong
    x11.XDefaultRootWindow.argtypes = [ptr]
    x11.XCreateSimpleWindow.restype = ulong
    x11.XCreateSimpleWindow.argtypes = [ptr, ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                                        ctypes.c_uint, ulong, ulong]
    x11.XSetSelectionOwner.argtypes = [ptr, ulong, ulong, ulong]
    x11.XChangeProperty.argtypes = [ptr, ulong, ulong, ulong, ctypes.c_int, ctypes.c_int, ctypes.c_char_p, ctypes.c_int]
    x11.XPending.argtypes = [ptr]
    x11.XNextEvent.argtypes = [ptr, ptr]
    x11.XDestroyWindow.argtypes = [ptr, ulong]
    x11.XFlush.argtypes = [ptr]
    x11.XCloseDisplay.argtypes = [ptr]
    return x11


class Picture:
    """A 24-bit ZPixmap from xwd: width, height and (r, g, b) lookups."""

    def __init__(self, data):
        header = struct.unpack(">25I", data[:100])
        size, self.width, self.height = header[0], header[4], header[5]
        self.byte_order, bits_per_pixel, self.stride, ncolors = header[7], header[11], header[12], header[19]
        if bits_per_pixel != 32:
            raise ValueError("expected 32 bits per pixel")
        self.pixels = data[size + 12 * ncolors:]

    def rgb(self, x, y):
        i = y * self.stride + 4 * x
        b0, b1, b2 = self.pixels[i], self.pixels[i + 1], self.pixels[i + 2]
        return (b2, b1, b0) if self.byte_order == 0 else (self.pixels[i + 1], self.pixels[i + 2], self.pixels[i + 3])

    def row(self, y):
        """The colours of one row of pixels (without the unused fourth byte), top row 0."""
        line = self.pixels[y * self.stride:y * self.stride + 4 * self.width]
        return bytes(b for i, b in enumerate(line) if i % 4 != (0 if self.byte_order else 3))

    def lit(self, threshold=40):
        """(count, centroid x, centroid y) of the pixels brighter than threshold."""
        count = sx = sy = 0
        for y in range(0, self.height, 2):
            row = y * self.stride
            for x in range(0, self.width, 2):
                i = row + 4 * x
                if max(self.pixels[i], self.pixels[i + 1], self.pixels[i + 2]) > threshold:
                    count += 1
                    sx += x
                    sy += y
        return (count, sx / count if count else -1, sy / count if count else -1)

    def same_as(self, other):
        return self.pixels == other.pixels


def cpu_seconds(pid):
    """User plus system CPU time of a process, from /proc."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


class ProgramTest(unittest.TestCase):
    """A test case with a private display for the class."""

    @classmethod
    def setUpClass(cls):
        cls.display = VirtualDisplay()

    @classmethod
    def tearDownClass(cls):
        cls.display.close()

    def setUp(self):
        # the programs keep their output and save pictures under the user's folders: each
        # test has folders of its own
        self.home = tempfile.mkdtemp(prefix="stereo-home-")
        self.addCleanup(shutil.rmtree, self.home, True)
        self.env = dict(self.display.env, HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, ".config"))

    def start(self, *command):
        # a session of its own: SDL shows a message box from a child process, which must end too
        process = subprocess.Popen(list(command), env=self.env, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, text=True, start_new_session=True)

        def end():
            try:
                os.killpg(process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            process.communicate()
        self.addCleanup(end)
        return process

    def open(self, command, title, window_class):
        """Starts a program, closes its driver report with Return, returns (process, main window)."""
        process = self.start(*command)
        box = self.display.wait_for_window(title, with_class="", timeout=20)
        if box is None and process.poll() is not None:
            self.fail("the program ended before its report box: status %s, %s" % (process.returncode,
                                                                               process.communicate()))
        self.assertIsNotNone(box, "the driver report box did not appear: %s" % self.display.windows())
        self.display.key(box, "Return")
        window = self.display.wait_for_window(title, with_class=window_class, timeout=20)
        self.assertIsNotNone(window, "the main window did not appear: %s" % self.display.windows())
        self.wait_for_picture(process, window, lambda picture: picture.lit()[0] > 0)
        return process, window

    def wait_for_picture(self, process, window, wanted, timeout=20):
        """Until the window shows a picture that is wanted: a slow machine shows the black of
        a window not yet drawn for a second or more. One picture for each look."""
        deadline = time.time() + timeout
        while time.time() < deadline and process.poll() is None:
            if wanted(self.display.picture(window)):
                return
            time.sleep(0.1)

    def finish(self, process, timeout=10):
        out, err = process.communicate(timeout=timeout)
        return process.returncode, out, err

    def expect_clean_exit(self, process):
        code, out, err = self.finish(process)
        self.assertEqual(code, 0, "standard output:\n%s\nstandard error:\n%s" % (out[-2000:], err[-2000:]))
