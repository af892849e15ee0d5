"""test_ondrel.py: the real Ondrel on a private X server.

usage: test_ondrel.py ONDREL
"""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import ProgramTest  # noqa: E402

ONDREL = None
TITLE = "VOXA Tessan-9 Ondrel"
CLASS = "Ondrel"


class Ondrel(ProgramTest):
    def open(self):
        # the report box comes on every driver (on this one with the exclamation mark)
        return ProgramTest.open(self, [ONDREL], TITLE, CLASS)

    def test_animation_runs(self):
        process, window = self.open()
        # distinct pictures over two seconds: a lower bound of the frames shown
        pictures, start = [], time.time()
        while time.time() - start < 2.0:
            pictures.append(self.display.picture(window))
        distinct = sum(1 for a, b in zip(pictures, pictures[1:]) if not a.same_as(b))
        print("\nabout %.1f frames a second (%d of %d pictures differed from the one before)"
              % (distinct / 2.0, distinct, len(pictures) - 1))
        # 25 a second at 40 ms a tick; far below that the animation would be broken
        self.assertGreater(distinct, 20)
        self.assertGreater(pictures[-1].lit()[0], 500, "the solids are not drawn")
        self.display.key(window, "Escape")
        code, _, err = self.finish(process)
        self.assertEqual(code, 0, err)

    def test_tuning_culling_reset_and_esc(self):
        process, window = self.open()
        p = self.display.picture(window)
        w, h = p.width, p.height
        # the solids turn and bounce, which moves their picture a little; tuning moves it far
        samples = []
        for _ in range(8):
            samples.append(self.display.picture(window).lit()[1])
            time.sleep(0.1)
        low, high = min(samples), max(samples)
        for button in (1, 3):
            for _ in range(3):
                self.display.drag(window, button, (w // 8, h // 2), (7 * w // 8, h // 2))
            time.sleep(0.2)
            tuned = self.display.picture(window).lit()[1]
            middle = (low + high) / 2
            self.assertTrue(tuned > high + 40 or tuned < low - 40, "button %d did not move the picture" % button)
            self.display.key(window, "Return")
            time.sleep(0.2)
            restored = self.display.picture(window).lit()[1]
            self.assertLess(abs(restored - middle), abs(tuned - middle) / 2, "Enter did not restore the eyes")
        for key in ("2", "1"):
            self.display.key(window, key)
            time.sleep(0.2)
            self.assertGreater(self.display.picture(window).lit()[0], 500)
        self.display.key(window, "Escape")
        code, _, err = self.finish(process)
        self.assertEqual(code, 0, err)

    def test_stereo_output_keys(self):
        process, window = self.open()
        self.display.key(window, "F2")
        self.assertIsNotNone(self.display.wait_for_window(TITLE + " [right eye]", with_class=CLASS, timeout=5))
        self.display.key(window, "F3")
        self.assertIsNotNone(self.display.wait_for_window(TITLE + " [right eye, eyes swapped]", with_class=CLASS,
                                                          timeout=5))
        # the animation goes on in the new output
        first = self.display.picture(window)
        time.sleep(0.3)
        self.assertFalse(first.same_as(self.display.picture(window)), "the animation stopped")
        self.display.key(window, "Escape")
        self.expect_clean_exit(process)

    def test_close_from_the_title_bar(self):
        process, window = self.open()
        self.display.close_from_title_bar(window)
        self.expect_clean_exit(process)


if __name__ == "__main__":
    ONDREL = os.path.abspath(sys.argv[1])
    unittest.main(argv=sys.argv[:1], verbosity=2)
