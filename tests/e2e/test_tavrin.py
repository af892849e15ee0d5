"""test_tavrin.py: the real Tavrin on a private X server.

usage: test_tavrin.py TAVRIN MODELS_DIR
"""
import os
import signal
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import ProgramTest, cpu_seconds  # noqa: E402

TAVRIN = MODELS = None
TITLE = "VOXA Tessan-9 OpenGL in Stereo"
CLASS = "OpenGL_Stereo_Objects"

# a red box in front of a blue one, on the z axis: dragging right must move the red one right
MARKERS_OBJ = """mtllib markers.mtl
v -0.2 -0.2 0.6
v 0.2 -0.2 0.6
v 0.2 0.2 0.6
v -0.2 0.2 0.6
v -0.2 -0.2 1
v 0.2 -0.2 1
v 0.2 0.2 1
v -0.2 0.2 1
g front
usemtl red
f 5 6 7 8
f 1 4 3 2
f 1 2 6 5
f 2 3 7 6
f 3 4 8 7
f 4 1 5 8
v -0.2 -0.2 -1
v 0.2 -0.2 -1
v 0.2 0.2 -1
v -0.2 0.2 -1
g back
usemtl blue
f 9 10 11 12
"""
MARKERS_MTL = "newmtl red\nKd 1 0 0\nKa 0 0 0\nnewmtl blue\nKd 0 0 1\nKa 0 0 0\n"


def write_model(directory, name, text, library=None):
    path = os.path.join(directory, name)
    with open(path, "w") as f:
        f.write(text)
    if library:
        with open(os.path.join(directory, library[0]), "w") as f:
            f.write(library[1])
    return path


def centroid_of(picture, channel):
    """x of the pixels where one colour channel dominates."""
    total = count = 0
    for y in range(0, picture.height, 2):
        for x in range(0, picture.width, 2):
            rgb = picture.rgb(x, y)
            if rgb[channel] > 60 and rgb[channel] > 2 * max(rgb[(channel + 1) % 3], rgb[(channel + 2) % 3]):
                total += x
                count += 1
    return total / count if count else None


# one square, its colour from its library
SQUARE_OBJ = "mtllib paint.mtl\nv -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\nusemtl paint\nf 1 2 3 4\n"


def paint(kd):
    return "newmtl paint\nKd %s\nKa 0 0 0\n" % kd


def colour_of(picture):
    """The channel (0 red, 1 green, 2 blue) that most lit pixels show, or None."""
    counts = [0, 0, 0]
    for y in range(0, picture.height, 4):
        for x in range(0, picture.width, 4):
            rgb = picture.rgb(x, y)
            top = max(range(3), key=lambda c: rgb[c])
            if rgb[top] > 60 and rgb[top] > 2 * max(rgb[(top + 1) % 3], rgb[(top + 2) % 3]):
                counts[top] += 1
    return counts.index(max(counts)) if max(counts) > 50 else None


def loading(picture):
    """Whether the picture shows a load's progress: the bar's light grey outline across the middle."""
    middle = picture.height // 2
    return any(sum(1 for x in range(0, picture.width, 2) if picture.rgb(x, y) == (204, 204, 204)) > picture.width // 4
               for y in range(middle - 8, middle + 8))


class Tavrin(ProgramTest):
    def open(self, model):
        """The window once its model is shown."""
        process, window = ProgramTest.open(self, [TAVRIN, model], TITLE, CLASS)
        self.wait_for_picture(process, window, lambda picture: not loading(picture) and picture.lit()[0] > 0)
        return process, window

    def test_report_window_and_esc(self):
        process, window = self.open(os.path.join(MODELS, "scene.obj"))
        count, _, _ = self.display.picture(window).lit()
        self.assertGreater(count, 500, "the model is not drawn")
        self.display.key(window, "Escape")
        code, out, err = self.finish(process)
        self.assertEqual(code, 0, err)
        self.assertRegex(out, r"glmVertexNormals\(\): \d+ normals generated\n")

    def test_close_from_the_title_bar(self):
        process, window = self.open(os.path.join(MODELS, "scene.obj"))
        self.display.close_from_title_bar(window)
        code, _, err = self.finish(process)
        self.assertEqual(code, 0, err)

    def test_without_a_display(self):
        env = dict(self.display.env)
        env.pop("DISPLAY")
        import subprocess
        result = subprocess.run([TAVRIN, os.path.join(MODELS, "scene.obj")], env=env, capture_output=True, text=True,
                                timeout=20)
        self.assertEqual(result.returncode, 1)
        self.assertIn("Tavrin: can't register the window class \"OpenGL_Stereo_Objects\"", result.stderr)

    def test_termination_signal_while_a_box_is_open(self):
        process = self.start(TAVRIN, os.path.join(MODELS, "scene.obj"))
        box = self.display.wait_for_window(TITLE, with_class="", timeout=20)
        self.assertIsNotNone(box, "the driver report box did not appear")
        process.send_signal(signal.SIGTERM)
        start = time.time()
        self.expect_clean_exit(process)
        self.assertLess(time.time() - start, 5, "the box held the program up")
        self.assertEqual(self.display.windows(TITLE), [], "a window stayed open")

    def test_an_ignored_interrupt_stays_ignored(self):
        # started under nohup or in the background: the report box stays open through SIGINT
        process = self.start("sh", "-c", 'trap "" INT; exec "$0" "$1"', TAVRIN, os.path.join(MODELS, "scene.obj"))
        box = self.display.wait_for_window(TITLE, with_class="", timeout=20)
        self.assertIsNotNone(box, "the driver report box did not appear")
        process.send_signal(signal.SIGINT)
        time.sleep(1)
        self.assertIsNone(process.poll(), "an ignored SIGINT ended Tavrin")
        self.assertIn(box, [w[0] for w in self.display.windows(TITLE)], "an ignored SIGINT closed the box")
        self.display.key(box, "Return")
        window = self.display.wait_for_window(TITLE, with_class=CLASS)
        self.assertIsNotNone(window)
        self.display.key(window, "Escape")
        self.expect_clean_exit(process)

    def test_idle_window_uses_no_cpu(self):
        process, window = self.open(os.path.join(MODELS, "scene.obj"))
        before = cpu_seconds(process.pid)
        time.sleep(3)
        used = cpu_seconds(process.pid) - before
        self.assertLess(used, 0.06, "an idle window used %.3f s of CPU in 3 s" % used)
        self.display.key(window, "Escape")
        self.expect_clean_exit(process)

    def test_drag_spins_and_space_stops(self):
        with tempfile.TemporaryDirectory() as d:
            model = write_model(d, "markers.obj", MARKERS_OBJ, ("markers.mtl", MARKERS_MTL))
            process, window = self.open(model)
            p = self.display.picture(window)
            w, h = p.width, p.height
            red_before = centroid_of(p, 0)
            self.assertIsNotNone(red_before, "the red marker is not visible")
            # a drag to the right: the side facing the viewer follows the pointer
            self.display.drag(window, 1, (w // 2, h // 2), (w // 2 + w // 8, h // 2))
            self.display.key(window, "space")
            p = self.display.settled_picture(window)
            red_after, blue_after = centroid_of(p, 0), centroid_of(p, 2)
            self.assertGreater(red_after, red_before + 5)
            self.assertIsNotNone(blue_after, "the back marker did not come into view")
            self.assertLess(blue_after, red_after)
            # stopped: two pictures a second apart are equal
            first = self.display.picture(window)
            time.sleep(1)
            self.assertTrue(first.same_as(self.display.picture(window)), "Space did not stop the spin")
            # a click without motion restarts the last spin
            self.display.mouse("click", 1)
            time.sleep(0.3)
            first = self.display.picture(window)
            time.sleep(0.3)
            self.assertFalse(first.same_as(self.display.picture(window)), "the click did not restart the spin")
            # a drag, released: the model keeps turning
            self.display.key(window, "space")
            self.display.drag(window, 1, (w // 2, h // 2), (w // 2, h // 2 + h // 10))
            first = self.display.picture(window)
            time.sleep(0.3)
            self.assertFalse(first.same_as(self.display.picture(window)), "no spin after the release")
            self.display.key(window, "Escape")
            self.expect_clean_exit(process)

    def expect_culling_keys_work(self, window):
        """On the open vase: tip its top towards the viewer, stop, and compare keys 2 and 1."""
        p = self.display.picture(window)
        w, h = p.width, p.height
        self.display.drag(window, 1, (w // 2, h // 2), (w // 2, h // 2 + h // 4), slow_end=True)
        self.display.key(window, "space")
        culled = self.display.settled_picture(window)
        self.display.key(window, "2")
        both_sides = self.display.settled_picture(window, unlike=culled)
        self.display.key(window, "1")
        again = self.display.settled_picture(window, unlike=both_sides)
        self.assertGreater(both_sides.lit()[0], culled.lit()[0] * 1.05, "double-sided shows no inside")
        self.assertEqual(again.lit()[0], culled.lit()[0], "key 1 did not cull again")

    def test_culling_keys(self):
        process, window = self.open(os.path.join(MODELS, "vase.obj"))
        self.expect_culling_keys_work(window)
        self.display.key(window, "Escape")
        self.expect_clean_exit(process)

    def wait_for_title(self, suffix, timeout=5):
        window = self.display.wait_for_window(TITLE + suffix, with_class=CLASS, timeout=timeout)
        self.assertIsNotNone(window, "no window titled %r: %s" % (TITLE + suffix, self.display.windows()))
        return window

    def test_stereo_output_keys(self):
        process, window = self.open(os.path.join(MODELS, "vase.obj"))
        # F2 steps on, Shift+F2 back, wrapping around past the quad buffer this display lacks
        self.display.key(window, "F2")
        self.wait_for_title(" [right eye]")
        self.display.key(window, "shift+F2")
        self.wait_for_title(" [left eye]")
        self.display.key(window, "shift+F2")
        self.wait_for_title(" [checkerboard]")
        self.display.key(window, "F3")
        self.wait_for_title(" [checkerboard, eyes swapped]")
        self.display.key(window, "F3")
        self.wait_for_title(" [checkerboard]")
        for _ in range(3):
            self.display.key(window, "shift+F2")
        self.wait_for_title(" [side-by-side full]")
        # table 103 does what it did in any output: 2 and 1 switch the culling
        self.expect_culling_keys_work(window)
        # F4: the studio light, named in the title and kept beside the output
        self.display.key(window, "F4")
        self.wait_for_title(" [side-by-side full] [studio light]")
        with open(os.path.join(self.home, ".config", "Tavrin", "stereo")) as f:
            self.assertEqual(f.read(), "output=side-by-side full\nswapped=no\nlight=studio\n")
        self.display.key(window, "F4")
        self.wait_for_title(" [side-by-side full] [head light]")
        # F1: the list of keys in a box with the title as caption, closed with Return
        self.display.key(window, "F1")
        box = self.display.wait_for_window(TITLE, with_class="")
        self.assertIsNotNone(box, "F1 showed no box")
        self.display.key(box, "Return")
        time.sleep(0.3)
        # F11: full screen and back
        def size():
            return [w_[3:5] for w_ in self.display.windows(TITLE + " [side-by-side full] [head light]") if w_[2] == CLASS][0]
        windowed = size()
        self.display.key(window, "F11")
        time.sleep(0.5)
        self.assertEqual(tuple(size()), (self.display.width, self.display.height))
        self.display.key(window, "F11")
        time.sleep(0.5)
        self.assertEqual(size(), windowed)
        self.display.key(window, "Escape")
        self.expect_clean_exit(process)

    def test_row_interlace_follows_the_screen_rows(self):
        with tempfile.TemporaryDirectory() as d:
            model = write_model(d, "markers.obj", MARKERS_OBJ, ("markers.mtl", MARKERS_MTL))
            process, window = self.open(model)
            # far-apart eyes; the left and the right eye alone, then the rows
            p = self.display.picture(window)
            self.display.drag(window, 2, (p.width // 2, p.height // 2), (p.width // 2 + p.width // 3, p.height // 2))
            left = self.display.settled_picture(window)
            self.display.key(window, "F2")
            self.wait_for_title(" [right eye]")
            right = self.display.settled_picture(window, unlike=left)
            for _ in range(7):
                self.display.key(window, "F2")
            window = self.wait_for_title(" [row interlaced]")
            for move in range(2):
                time.sleep(0.4)
                top = self.display.origin(window)[1]
                rows = self.display.picture(window)
                checked = 0
                for y in range(rows.height):
                    row = rows.row(y)
                    if left.row(y) == right.row(y):
                        continue
                    checked += 1
                    expected = left.row(y) if (top + y) % 2 == 0 else right.row(y)
                    self.assertEqual(row, expected, "row %d at screen row %d" % (y, top + y))
                self.assertGreater(checked, 20)
                # one pixel down: each eye moves to the other rows of the window
                self.display.run("xdotool", "windowmove", "--sync", window, str(self.display.origin(window)[0]),
                                 str(top + 1))
            self.display.key(window, "Escape")
            self.expect_clean_exit(process)

    def test_stereo_tuning_and_reset(self):
        process, window = self.open(os.path.join(MODELS, "scene.obj"))
        start = self.display.picture(window)
        w, h = start.width, start.height
        x0 = start.lit()[1]
        # the middle button tunes the eye separation, the right one the frustum shift: either
        # moves the left eye's picture sideways
        for button in (2, 3):
            self.display.drag(window, button, (w // 4, h // 2), (3 * w // 4, h // 2))
            moved = self.display.settled_picture(window, unlike=start)
            self.assertGreater(abs(moved.lit()[1] - x0), 5, "button %d did not tune the picture" % button)
            self.display.key(window, "Return")
            self.assertTrue(self.display.settled_picture(window, unlike=moved).same_as(start),
                            "Enter did not restore the eyes")
        self.display.key(window, "Escape")
        self.expect_clean_exit(process)

    def wait_for_colour(self, window, channel, timeout=10):
        deadline = time.time() + timeout
        while colour_of(self.display.picture(window)) != channel and time.time() < deadline:
            time.sleep(0.1)
        return colour_of(self.display.picture(window)) == channel

    def test_a_long_load_shows_its_progress_in_both_eyes_and_esc_ends_it(self):
        # a model from a FIFO whose writer never finishes it: the read waits for ever
        os.makedirs(os.path.join(self.home, ".config", "Tavrin"))
        with open(os.path.join(self.home, ".config", "Tavrin", "stereo"), "w") as f:
            f.write("output=side-by-side\nswapped=no\n")
        with tempfile.TemporaryDirectory() as d:
            fifo = os.path.join(d, "endless.obj")
            os.mkfifo(fifo)
            writer = os.open(fifo, os.O_RDWR)
            self.addCleanup(os.close, writer)
            os.write(writer, b"v 0 0 0\n" * 1000)
            process = self.start(TAVRIN, fifo)
            self.display.key(self.display.wait_for_window(TITLE, with_class="", timeout=20), "Return")
            window = self.wait_for_title(" [side-by-side]", timeout=20)
            deadline = time.time() + 10
            while not loading(self.display.picture(window)) and time.time() < deadline:
                time.sleep(0.1)
            p = self.display.settled_picture(window)
            # the bar and the name, the same in each squeezed eye
            lit = [sum(1 for y in range(p.height) for x in range(half * p.width // 2, (half + 1) * p.width // 2)
                       if max(p.rgb(x, y)) > 100) for half in (0, 1)]
            self.assertGreater(lit[0], 100, "no progress shown")
            self.assertAlmostEqual(lit[0], lit[1], delta=lit[0] // 10)
            start = time.time()
            self.display.key(window, "Escape")
            self.expect_clean_exit(process)
            self.assertLess(time.time() - start, 3)

    def answer_time(self, window, swapped):
        """Seconds from F3 to the title that says the eyes are (or are no longer) swapped."""
        start = time.time()
        self.display.key(window, "F3")
        title = TITLE + (" [left eye, eyes swapped]" if swapped else " [left eye]")
        self.assertIsNotNone(self.display.wait_for_window(title, with_class=CLASS, timeout=10, every=0.02))
        return time.time() - start

    def test_a_large_model_answers_keys_while_it_loads_and_while_it_draws_whole(self):
        # a torus of three million triangles, its faces written only after a key was answered
        rings, sides = 2000, 750
        with tempfile.TemporaryDirectory() as d:
            fifo = os.path.join(d, "large.obj")
            os.mkfifo(fifo)
            process = self.start(TAVRIN, fifo)
            writer = open(fifo, "w")
            self.display.key(self.display.wait_for_window(TITLE, with_class="", timeout=20), "Return")
            window = self.wait_for_title("", timeout=20)
            import math
            writer.write("".join("v %.5f %.5f %.5f\n" % ((1 + 0.35 * math.cos(2 * math.pi * j / sides)) * math.cos(
                2 * math.pi * i / rings), (1 + 0.35 * math.cos(2 * math.pi * j / sides)) * math.sin(2 * math.pi * i / rings),
                0.35 * math.sin(2 * math.pi * j / sides)) for i in range(rings) for j in range(sides)))
            writer.flush()
            self.assertTrue(loading(self.display.picture(window)))
            times = [self.answer_time(window, True), self.answer_time(window, False)]
            for i in range(rings):
                a, b = i * sides + 1, (i + 1) % rings * sides + 1
                writer.write("".join("f %d %d %d\nf %d %d %d\n" % (a + j, b + j, b + (j + 1) % sides, a + j,
                                                                     b + (j + 1) % sides, a + (j + 1) % sides)
                                     for j in range(sides)))
            writer.close()
            self.wait_for_picture(process, window, lambda picture: not loading(picture) and picture.lit()[0] > 0, 60)
            # the coarse copy at once, the full model in parts once the view rests: keys all along
            deadline = time.time() + 3
            while time.time() < deadline:
                times.append(self.answer_time(window, len(times) % 2 == 0))
                time.sleep(0.15)
            self.assertLess(max(times), 0.5, "keys answered after %s s" % ["%.2f" % t for t in times])
            self.display.key(window, "Escape")
            self.expect_clean_exit(process)

    def test_f5_and_changes_on_disk_read_the_model_again_keeping_the_view(self):
        with tempfile.TemporaryDirectory() as d:
            # the library links to a folder nobody watches: a change there needs F5
            os.mkdir(os.path.join(d, "elsewhere"))
            real = write_model(os.path.join(d, "elsewhere"), "paint.mtl", paint("1 0 0"))
            os.symlink(real, os.path.join(d, "paint.mtl"))
            process, window = self.open(write_model(d, "square.obj", SQUARE_OBJ))
            self.assertTrue(self.wait_for_colour(window, 0))
            write_model(os.path.join(d, "elsewhere"), "paint.mtl", paint("0 1 0"))
            time.sleep(1.5)
            self.assertEqual(colour_of(self.display.picture(window)), 0, "a change nobody watches was read")
            self.display.key(window, "F5")
            self.assertTrue(self.wait_for_colour(window, 1), "F5 did not read the library again")
            self.assertFalse(loading(self.display.settled_picture(window)), "the bar stayed after F5")
            # turned; then an editor's save (a temporary file renamed over the library) is read
            # by itself, and the model stays turned
            def shape(p):
                return {(x, y) for y in range(0, p.height, 2) for x in range(0, p.width, 2) if max(p.rgb(x, y)) > 40}
            front = shape(self.display.settled_picture(window))
            self.display.drag(window, 1, (100, 100), (180, 100), slow_end=True)
            self.display.key(window, "space")
            turned = shape(self.display.settled_picture(window))
            self.assertGreater(len(front ^ turned), len(front) // 10)
            os.rename(write_model(d, ".paint.mtl.new", paint("0 0 1")), os.path.join(d, "paint.mtl"))
            self.assertTrue(self.wait_for_colour(window, 2), "the renamed library was not read")
            self.assertLess(len(shape(self.display.picture(window)) ^ turned), len(turned) // 50)
            # a model saved broken: the box says why, the model stays, the session goes on
            write_model(d, "square.obj", SQUARE_OBJ + "f 1 2 9\n")
            box = self.display.wait_for_window(TITLE, with_class="")
            self.assertIsNotNone(box, "a failed read showed no box")
            self.display.key(box, "Return")
            time.sleep(0.3)
            self.assertEqual(colour_of(self.display.picture(window)), 2)
            self.display.key(window, "Escape")
            code, _, err = self.finish(process)
            self.assertEqual(code, 0)
            self.assertIn('_glmFillPass() failed: vertex index 9 out of range in data file "%s"' %
                          os.path.join(d, "square.obj"), err)

    def test_a_dropped_file_opens_and_the_title_names_it(self):
        with tempfile.TemporaryDirectory() as d:
            process, window = self.open(write_model(d, "red.obj", SQUARE_OBJ, ("paint.mtl", paint("1 0 0"))))
            os.mkdir(os.path.join(d, "green"))
            green = write_model(os.path.join(d, "green"), "green.obj", SQUARE_OBJ, ("paint.mtl", paint("0 1 0")))
            # a FIFO nobody writes is waited for, and given up for the next drop
            fifo = os.path.join(d, "nobody.obj")
            os.mkfifo(fifo)
            self.assertTrue(self.display.drop_file(window, fifo), "the FIFO's drop was not taken")
            self.assertTrue(self.display.drop_file(window, green), "the drop was not taken")
            window = self.wait_for_title(" - green.obj")
            self.assertTrue(self.wait_for_colour(window, 1))
            self.display.key(window, "Escape")
            self.expect_clean_exit(process)

    def test_a_drop_whose_source_gave_up_while_a_box_was_open_ends_nothing(self):
        with tempfile.TemporaryDirectory() as d:
            process, window = self.open(write_model(d, "red.obj", SQUARE_OBJ, ("paint.mtl", paint("1 0 0"))))
            os.mkdir(os.path.join(d, "green"))
            green = write_model(os.path.join(d, "green"), "green.obj", SQUARE_OBJ, ("paint.mtl", paint("0 1 0")))
            self.display.key(window, "F1")
            box = self.display.wait_for_window(TITLE, with_class="")
            self.assertIsNotNone(box, "F1 showed no box")
            self.assertFalse(self.display.drop_file(window, green, timeout=1), "a drop was taken while the box was open")
            self.display.key(box, "Return")
            time.sleep(1)
            self.assertIsNone(process.poll(), "the program ended when the box closed")
            self.assertTrue(self.display.drop_file(window, green), "the next drop was not taken")
            window = self.wait_for_title(" - green.obj")
            self.display.key(window, "Escape")
            self.expect_clean_exit(process)

    def expect_refused(self, model, stream, message):
        """Tavrin shows why it ends in a box of its own after the driver report, and ends with
        status 1 and the same line on its stream once that box is closed with Return."""
        process = self.start(TAVRIN, model)
        report = self.display.wait_for_window(TITLE, with_class="")
        self.assertIsNotNone(report, "the driver report box did not appear")
        report_size = [w[3:5] for w in self.display.windows(TITLE) if w[0] == report]
        self.display.key(report, "Return")
        # each box is a window of its own, which may get the closed one's id again: the error's
        # box is told from the report (which lists the extensions) by its size
        box = None
        deadline = time.time() + 10
        while box is None and time.time() < deadline:
            boxes = [w[0] for w in self.display.windows(TITLE) if w[5] and w[2] == "" and [w[3:5]] != report_size]
            box = boxes[0] if boxes else None
            time.sleep(0.1)
        self.assertIsNotNone(box, "no box told why Tavrin ends: status %s" % (process.poll(),))
        time.sleep(0.3)
        self.assertIsNone(process.poll(), "Tavrin ended before its box was closed")
        self.display.key(box, "Return")
        code, out, err = self.finish(process)
        self.assertEqual(code, 1)
        self.assertEqual(out if stream == "out" else err, message)
        self.assertIsNone(self.display.wait_for_window(TITLE, with_class=CLASS, timeout=0.5))

    def test_bad_files_end_with_status_1(self):
        with tempfile.TemporaryDirectory() as d:
            missing = os.path.join(d, "none.obj")
            self.expect_refused(missing, "err", 'glmReadOBJ() failed: can\'t open data file "%s".\n' % missing)
            # started from the desktop menu, without a file
            self.expect_refused("", "err", 'glmReadOBJ() failed: can\'t open data file "".\n')
            # nothing to show: a library and no vertex, or text saved as UTF-16
            empty = write_model(d, "empty.obj", "mtllib absent.mtl\nusemtl x\n")
            self.expect_refused(empty, "err", '_glmReadMTL() failed: can\'t open material file "%s".\n'
                                'Tavrin: "%s" holds nothing to show.\n' % (os.path.join(d, "absent.mtl"), empty))
            utf16 = os.path.join(d, "utf16.obj")
            with open(utf16, "wb") as f:
                f.write("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n".encode("utf-16"))
            self.expect_refused(utf16, "err", 'Tavrin: "%s" is UTF-16 text: save it as UTF-8 to open it.\n' % utf16)
            utf32 = os.path.join(d, "utf32.obj")
            with open(utf32, "wb") as f:
                f.write("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n".encode("utf-32-le"))
            self.expect_refused(utf32, "err", 'Tavrin: "%s" is UTF-32 text: save it as UTF-8 to open it.\n' % utf32)
            vp = write_model(d, "vp.obj", "v 0 0 0\nvp 0.5\n")
            self.expect_refused(vp, "out", '_glmFirstPass(): Unknown token "vp".\n')


if __name__ == "__main__":
    TAVRIN, MODELS = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    unittest.main(argv=sys.argv[:1], verbosity=2)
