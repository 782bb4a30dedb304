#!/usr/bin/env python3
"""WaylandLog against client logs of known content, as WAYLAND_DEBUG writes
them (time stamps padded to a width or not, object ids used again)."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wayland_e2e import WaylandLog  # noqa: E402

LOG = """\
[ 889795.085]  -> wl_display@1.get_registry(new id wl_registry@2)
[ 889830.050]  -> wl_compositor@4.create_surface(new id wl_surface@7)
[ 889830.100]  -> xdg_wm_base@9.get_xdg_surface(new id xdg_surface@13, wl_surface@7)
[ 889830.101]  -> xdg_surface@13.get_toplevel(new id xdg_toplevel@14)
[ 889830.108]  -> xdg_toplevel@14.set_title("Marlune")
[ 889831.000] wl_keyboard@30.enter(5, wl_surface@7, array[0])
[1889830.000]  -> xdg_wm_base@9.get_xdg_surface(new id xdg_surface@20, wl_surface@19)
[1889830.001]  -> xdg_surface@20.get_popup(new id xdg_popup@21, xdg_surface@13, xdg_positioner@22)
[1889840.000]  -> xdg_popup@21.destroy()
[1889840.001]  -> xdg_surface@20.destroy()
[1889850.000]  -> xdg_wm_base@9.get_xdg_surface(new id xdg_surface@20, wl_surface@25)
[1889850.001]  -> xdg_surface@20.get_toplevel(new id xdg_toplevel@21)
[1889850.002]  -> xdg_toplevel@21.set_parent(xdg_toplevel@14)
[1889850.003]  -> xdg_toplevel@21.set_title("About")
[1889851.000] wl_keyboard@30.enter(6, wl_surface@25, array[0])
"""


class WaylandLogTest(unittest.TestCase):
    def test_roles_titles_parents_and_focus(self):
        log = WaylandLog(LOG)
        self.assertEqual(log.surfaces, [
            {"surface": "7", "role": "toplevel", "title": "Marlune", "parent": None},
            {"surface": "19", "role": "popup", "title": None, "parent": "7"},
            {"surface": "25", "role": "toplevel", "title": "About", "parent": "7"},
        ])
        self.assertEqual(log.keyboard_entered, ["7", "25"])


if __name__ == "__main__":
    unittest.main()
