"""The window engine against windows of another process: hide all, show all, the list
and its rows, the window commands, the refresh tick and the hide-current hot key."""

import os
import shutil

import harness
import session
import velumix_app as vx
from session import VelumixTestCase

GREY = (128, 128, 128)
YELLOW = (255, 255, 0)
DARK_RED = (100, 0, 0)
LB_GETTOPINDEX, LB_GETCARETINDEX, LB_SETTOPINDEX = 0x018E, 0x019F, 0x0197
NAVY = (0, 0, 128)
SWP_NOSIZE, SWP_NOMOVE, SWP_NOACTIVATE = 0x1, 0x2, 0x10
WHITE, BLACK = (255, 255, 255), (0, 0, 0)
# Titles in letters that code page 1252 lacks, one beyond UTF-16's 16 bits among them.
UNICODE_TITLES = ["日本語のタイトル", "中文标题", "Видео — плеер", "Song 🎵 Player", "한국어 제목", "عنوان عربي"]


class EngineTestCase(VelumixTestCase):
    def row_of(self, app, title):
        return app.list_items().index(title)


class LeftShown(EngineTestCase):
    """A row's menu marks its window's program as one that Hide All leaves shown."""
    KEEP = "Leave shown by Hide All"
    RED = (255, 0, 0)

    def row_menu(self, app, title):
        """Right-clicks the row; the menu's one item (checked or not)."""
        _, text = app.row_rects(self.row_of(app, title))
        self.desk.click(text[0] + 20, (text[1] + text[3]) // 2, button=3)
        items = [i for i in self.desk.popup_menu_items(app.popup_menu().hwnd) if i.kind == "item"]
        self.assertEqual([vx.menu_shown(i.text) for i in items], [self.KEEP])
        return items

    def pin_drawn(self, app, title):
        """The red of the pin at the row's right end."""
        _, text = app.row_rects(self.row_of(app, title))
        ox, _ = self.desk.window_info(app.list_hwnd()).client_origin
        width, _ = self.desk.window_info(app.list_hwnd()).client_size
        return self.desk.screenshot().region_has_color((ox + width - 11, text[1], ox + width, text[3]), self.RED)

    def test_hide_all_leaves_a_marked_programs_windows_shown_with_the_pin_on_their_rows(self):
        game = self.owned_windows(["Game"], name="game",
                                  vxtool=shutil.copy(session.vxtool_exe(), os.path.join(self.workdir, "Game.exe")))
        work = self.owned_windows(["Report", "Sheet"])
        app = self.launch_tracking(["Game", "Report", "Sheet"])
        items = self.row_menu(app, "Report")
        self.assertFalse(items[0].checked)
        app.choose(items, self.KEEP)
        self.assertEqual(self.stored()["keepshown"], ("REG_MULTI_SZ", ["vxtool.exe"]))
        self.desk.move(5, 5)
        harness.wait_until(lambda: self.pin_drawn(app, "Report") and self.pin_drawn(app, "Sheet"), timeout=10,
                           what="the pin on both rows of the marked program")
        self.assertFalse(self.pin_drawn(app, "Game"))
        self.desk.screenshot(self.artifact("pinned-rows.png"))

        app.click_main(vx.HIDE_ALL)
        game.wait_status(lambda s: not s.window(1).visible, what="the game hidden")
        self.assertTrue(all(work.status().window(i).visible for i in (1, 2)))
        # the user asked for that window: a row click still hides it
        app.click_row("Report")
        work.wait_status(lambda s: not s.window(1).visible and s.window(2).visible, what="Report hidden by its row")

        items = self.row_menu(app, "Sheet")
        self.assertTrue(items[0].checked)
        app.choose(items, self.KEEP)
        self.assertEqual(self.stored()["keepshown"], ("REG_MULTI_SZ", []))
        app.click_main(vx.HIDE_ALL)
        work.wait_status(lambda s: not s.window(2).visible, what="Sheet hidden once no longer marked")


    def test_a_stored_list_is_read_as_far_as_it_is_sound(self):
        work = self.owned_windows(["Report"])
        for typ, data, kept in (("REG_SZ", "vxtool.exe", False),
                                ("REG_MULTI_SZ", ["x" * 300, "C:\\bin\\vxtool.exe", "VXTOOL.EXE"], True)):
            with self.subTest(typ=typ):
                self.seed_settings(keepshown=(typ, data))
                app = self.launch_tracking(["Report"])
                app.click_main(vx.HIDE_ALL)
                work.wait_status(lambda s: s.window(1).visible == kept, what=f"Report {'kept' if kept else 'hidden'}")
                app.click_main(vx.SHOW_ALL)
                work.wait_status(lambda s: s.window(1).visible, what="Report shown")
                app.proc.kill()


class HideAllAndShowAll(EngineTestCase):
    def test_hide_all_spares_the_desktop_and_show_all_restores_each_window_as_it_was(self):
        owner = self.owned_windows(["Alpha", "Beta", "Gamma", "Program Manager"])
        owner.command("maximize 2")
        owner.command("minimize 3")
        before = owner.status()
        app = self.launch_tracking(["Alpha", "Beta", "Gamma", "Desktop Icons"])
        self.assertNotIn("Program Manager", app.list_items())

        app.click_control(vx.HIDE_ALL)
        status = owner.wait_status(lambda s: not any(s.window(i).visible for i in (1, 2, 3)), what="A, B, C hidden")
        self.assertTrue(status.window(4).visible, "the desktop entry was hidden by Hide all")
        # Hiding changes nothing but the show state.
        self.assertTrue(status.window(2).zoomed and status.window(3).iconic)

        app.click_control(vx.SHOW_ALL)
        after = owner.wait_status(lambda s: all(s.window(i).visible for i in (1, 2, 3)), what="A, B, C shown")
        for i in (1, 2, 3, 4):
            b, a = before.window(i), after.window(i)
            self.assertEqual((a.rect, a.normal_rect, a.zoomed, a.iconic), (b.rect, b.normal_rect, b.zoomed, b.iconic),
                             f"window {i} came back changed")

    def test_show_all_also_shows_a_window_its_own_program_hid(self):
        owner, app = self.launch_with(["Self hider", "Plain"])
        owner.command("hide 1")
        app.click_control(vx.SHOW_ALL)
        owner.wait_status(lambda s: s.window(1).visible, what="self-hidden window shown")

    def test_a_second_hide_all_hides_nothing_more_and_the_tray_commands_do_the_same(self):
        owner, app = self.launch_with(["One", "Two"])
        app.command(105)  # the tray menu's "Hide all"
        owner.wait_status(lambda s: not s.window(1).visible and not s.window(2).visible, what="both hidden")
        owner.command("show 2")  # its own program shows it again
        app.command(105)
        # Window 2 was visible and tracked: hidden again. Nothing else changes.
        owner.wait_status(lambda s: not s.window(2).visible, what="two hidden again")
        app.command(106)  # "Show all"
        owner.wait_status(lambda s: s.window(1).visible and s.window(2).visible, what="both shown")


class WindowList(EngineTestCase):
    def test_a_click_on_a_row_toggles_its_window_and_leaves_no_selection(self):
        owner, app = self.launch_with(["Row one", "Row two"])
        row = self.row_of(app, "Row two")
        app.desk.click(*app.row_center(row))
        owner.wait_status(lambda s: not s.window(2).visible and s.window(1).visible, what="row two hidden")
        self.assertEqual(self.desk.listbox(app.list_hwnd()).selection, -1)
        harness.wait_until(lambda: self.row_of(app, "Row two") == row, what="list rebuilt in the same order")
        app.desk.click(*app.row_center(row))
        owner.wait_status(lambda s: s.window(2).visible, what="row two shown again")
        self.assertEqual(self.desk.listbox(app.list_hwnd()).selection, -1)

    def test_rows_show_the_bulbs_and_the_desktop_row_in_dark_red(self):
        owner = self.owned_windows(["Shown window", "Hidden window", "Program Manager"])
        app = self.launch_tracking(["Shown window", "Hidden window", "Desktop Icons"])
        app.desk.click(*app.row_center(self.row_of(app, "Hidden window")))
        owner.wait_status(lambda s: not s.window(2).visible, what="hidden")
        app.desk.move(5, 5)  # away from the list and its buttons
        ox, oy = self.desk.window_info(app.list_hwnd()).client_origin

        def rows_drawn():
            shot = self.desk.screenshot()
            # (bulb, text) of each row
            shown, hidden, desktop = (app.row_rects(self.row_of(app, t))
                                      for t in ("Shown window", "Hidden window", "Desktop Icons"))
            return (shot.region_has_color(shown[0], YELLOW)
                    and not shot.region_has_color(hidden[0], YELLOW)
                    and shot.region_has_color(hidden[0], GREY)
                    and shot.region_has_color(desktop[1], DARK_RED)
                    and not shot.region_has_color(shown[1], DARK_RED)
                    and not shot.region_has_color((ox, oy, ox + 300, oy + 60), NAVY))
        harness.wait_until(rows_drawn, timeout=10, what="rows drawn with their bulbs and colours")
        self.desk.screenshot(self.artifact("window-list.png"))

    def test_a_window_that_closes_leaves_the_list_at_the_next_tick(self):
        owner = self.owned_windows(["Stays 1", "Goes away", "Stays 2"])
        app = self.launch()
        items = app.wait_list(lambda items: "Goes away" in items)
        order = [t for t in items if t in ("Stays 1", "Goes away", "Stays 2")]
        owner.command("close 2")
        after = app.wait_list(lambda items: "Goes away" not in items, timeout=5)
        self.assertEqual([t for t in after if t.startswith("Stays")], [t for t in order if t != "Goes away"])

    def test_a_retitled_window_is_renamed_and_a_new_window_is_appended(self):
        owner, app = self.launch_with(["Old name"])
        owner.command("retitle 1 New name")
        owner.command("open Newcomer")
        items = app.wait_list(lambda items: "New name" in items and "Newcomer" in items, timeout=5)
        self.assertLess(items.index("New name"), items.index("Newcomer"))
        self.assertNotIn("Old name", items)

    def test_rows_hold_the_titles_in_their_own_letters(self):
        owner, app = self.launch_with(UNICODE_TITLES)
        self.assertEqual(sorted(t for t in app.list_items() if t in UNICODE_TITLES), sorted(UNICODE_TITLES))
        # renamed into another script and back, each name followed
        before = UNICODE_TITLES[0]
        for title in ("Видео — плеер 2", "Video player"):
            owner.retitle(1, title)
            app.wait_list(lambda items: title in items and before not in items, timeout=5, what=title)
            before = title

    def test_long_titles_are_cut_to_99_whole_characters(self):
        # the second one's 99th character is beyond UTF-16's 16 bits: two units, kept whole
        titles = ["日本語のタイトル" * 19, "a" * 98 + "🎵 and after"]
        self.owned_windows(titles)
        app = self.launch_tracking([t[:99] for t in titles])
        self.assertEqual(sorted(t for t in app.list_items() if t[0] in "日a"), sorted(t[:99] for t in titles))

    def test_the_first_hundred_of_a_hundred_and_twenty_windows_are_tracked(self):
        owner, app, items = self.launch_over_a_crowd(120, "Many %d")
        # The hundred topmost titled, visible windows in Z-order, the program's own excepted.
        z_order = [w.title for w in self.desk.windows()
                   if w.visible and w.title and w.title != "Velumix" and w.pid != app.proc.winpid]
        self.assertGreaterEqual(len(z_order), 120)
        self.assertEqual(items, [("Desktop Icons" if t == "Program Manager" else t) for t in z_order][:100])

    def test_a_list_scrolled_to_its_bottom_stays_there_while_it_is_rebuilt(self):
        # A hundred rows, the most the list holds: it scrolls.
        owner, app, items = self.launch_over_a_crowd(110, "Crowd %d")
        windows = {w.title: w.index for w in owner.status().windows}
        lb = app.list_hwnd()
        self.desk.send(lb, LB_SETTOPINDEX, len(items) - 1)
        top, row = self.desk.listbox(lb).top, len(items) - 2
        self.assertGreater(top, 0)
        app.focus()
        app.desk.click(*app.row_center(row, top))
        owner.wait_status(lambda s: not s.window(windows[items[row]]).visible, what="the clicked row's window hidden")
        # A new title at every tick rebuilds the list each time; each look is a process start.
        mover = windows[items[0]]
        owner.command(f"retitle-every {mover} 50 Moving %d")
        try:
            looks = [(self.desk.send(lb, LB_GETTOPINDEX), self.desk.send(lb, LB_GETCARETINDEX),
                      owner.window(mover).title) for _ in range(5)]
        finally:
            owner.command(f"retitle-every {mover} 0")
        self.assertGreater(len({title for *_, title in looks}), 1, "the title stood still")
        self.assertEqual([look[:2] for look in looks], [(top, row)] * 5)


class RowLooks(EngineTestCase):
    LB_SETCURSEL = 0x0186

    def test_a_selected_row_is_white_on_navy_and_the_desktop_row_dark_red_on_navy(self):
        owner = self.owned_windows(["Plain row", "Program Manager"])
        app = self.launch_tracking(["Plain row", "Desktop Icons"])
        app.desk.move(5, 5)
        for title, ink in (("Plain row", WHITE), ("Desktop Icons", DARK_RED)):
            row = self.row_of(app, title)
            # selected from outside, so that no handler clears it at once
            self.desk.send(app.list_hwnd(), self.LB_SETCURSEL, row)
            bulb, text = app.row_rects(row)

            def drawn():
                shot = self.desk.screenshot()
                return (shot.region_has_color(text, NAVY) and shot.region_has_color(text, ink)
                        and not shot.region_has_color(text, WHITE if ink != WHITE else BLACK)
                        and shot.region_has_color(bulb, YELLOW))
            harness.wait_until(drawn, timeout=10, what=f"{title!r} drawn selected")
        self.desk.screenshot(self.artifact("selected-row.png"))

    def test_the_bulb_follows_the_flag_not_the_windows_own_visibility(self):
        owner, app = self.launch_with(["Hides itself", "Renamed soon"])
        owner.command("hide 1")
        owner.command("retitle 2 Renamed")   # the list is rebuilt and every row drawn again
        app.wait_list(lambda items: "Renamed" in items)
        app.desk.move(5, 5)
        bulb, _ = app.row_rects(self.row_of(app, "Hides itself"))
        harness.wait_until(lambda: self.desk.screenshot().region_has_color(bulb, YELLOW), timeout=10,
                           what="the lit bulb of a window Velumix did not hide")
        self.assertFalse(self.desk.screenshot().region_has_color(bulb, GREY))


    def test_titles_in_other_letters_are_drawn_with_their_own_glyphs(self):
        # Two characters each, the last two of the Private Use Area, which no font has: a
        # title drawn without a font that has its letters is drawn as the last one is.
        titles = ["日本", "中国", "한국", "Ми", "سل", "\ue000\ue001"]
        owner, app = self.launch_with(titles)
        app.desk.move(5, 5)
        texts = {t: app.row_rects(self.row_of(app, t))[1] for t in titles}

        def inked():
            shot = self.desk.screenshot()
            return shot if all(len(shot.colors(r)) > 1 for r in texts.values()) else None
        shot = harness.wait_until(inked, what="every row inked")
        shot.save_png(self.artifact("other-letters.png"))
        self.assertEqual(len({shot.region(r) for r in texts.values()}), len(titles), "each drawn its own way")

class RefreshTick(EngineTestCase):
    def test_command_103_refreshes_the_list_while_the_window_is_in_the_tray(self):
        owner, app = self.launch_with(["Before the tray"])
        app.click_main(vx.IDOK)
        app.wait_visible(False)
        owner.command("open After the tray")
        # in the tray the timer is off, so only the command brings the newcomer in
        harness.wait_until(lambda: "After the tray" not in app.list_items(), stable=15, what="no refresh in the tray")
        app.command(103)
        app.wait_list(lambda items: "After the tray" in items, timeout=5)

    def test_the_list_follows_a_title_that_keeps_changing_several_times_a_second(self):
        owner, app = self.launch_with(["Tick 0"])
        # The window renames itself and one vxtool process looks at the list every 10 ms:
        # on a busy machine no process start stands between two titles or two looks.
        owner.command("retitle-every 1 50 Tick %d")
        try:
            watch = self.desk.listbox_watch(app.list_hwnd(), 3000)
        finally:
            owner.command("retitle-every 1 0")
        seen = [t for t in watch.first_seen if t.startswith("Tick ")]
        elapsed = watch.elapsed_ms / 1000
        # A 200 ms tick shows a new title at nearly every refresh, some five a second. A tick
        # of a second refreshes at most floor(elapsed) + 1 times while the list is looked at,
        # so it shows at most elapsed + 2 titles, the one there at the start included.
        figures = f"{len(seen)} titles in {watch.samples} looks, {elapsed:.1f} s"
        print(f"\n    {figures}", end=" ")
        self.assertGreater(len(seen), max(7, elapsed + 2), figures)


class WindowCommands(EngineTestCase):
    def test_window_commands_toggle_their_slot_and_out_of_range_ones_touch_nothing(self):
        owner = self.owned_windows(["Cmd A", "Cmd B"])
        app = self.launch()
        items = app.wait_list(lambda items: {"Cmd A", "Cmd B"} <= set(items))
        slot = items.index("Cmd B")
        app.command(150 + slot)
        owner.wait_status(lambda s: not s.window(2).visible and s.window(1).visible, what="B hidden")
        for command in (150 + len(items), 249, 250):
            app.command(command)
        app.command(103)  # a list refresh, queued behind the commands above
        harness.wait_until(lambda: app.visible(), what="the program still answering")
        status = owner.wait_status(lambda s: True, stable=3, what="settled")
        self.assertEqual((status.window(1).visible, status.window(2).visible), (True, False))
        app.command(150 + slot)
        owner.wait_status(lambda s: s.window(2).visible, what="B shown again")


class HideCurrentHotKey(EngineTestCase):
    def test_the_hot_key_hides_the_front_window_and_every_tracked_window_with_its_title(self):
        self.seed_hot_keys({"hidecurrent": vx.CTRL_ALT_KEYS["hidecurrent"]})   # Ctrl+Alt+H
        owner = self.owned_windows(["Twin", "Twin", "Other"])
        app = self.launch()
        app.wait_list(lambda items: items.count("Twin") == 2 and "Other" in items)
        self.activate(owner, 1)
        self.desk.key("ctrl+alt+h")
        status = owner.wait_status(lambda s: not s.window(1).visible and not s.window(2).visible,
                                   what="both twins hidden")
        self.assertTrue(status.window(3).visible)
        self.assertTrue(app.visible(), "the main window is never hidden by it")

    def test_titles_are_compared_whole_as_the_list_keeps_them(self):
        self.seed_hot_keys({"hidecurrent": vx.CTRL_ALT_KEYS["hidecurrent"]})   # Ctrl+Alt+H
        # the first two are both "??" in code page 1252; the last two differ only after
        # their 99th character, where the list cuts them
        owner = self.owned_windows(["日本", "中国", "日" * 99 + "甲", "日" * 99 + "乙"])
        self.launch_tracking(["日本", "中国", "日" * 99])
        for front, hidden in ((1, [1]), (3, [1, 3, 4])):
            self.activate(owner, front)
            self.desk.key("ctrl+alt+h")
            owner.wait_status(lambda s: [i for i in (1, 2, 3, 4) if not s.window(i).visible] == hidden,
                              stable=10, what=f"only {hidden} hidden")

    def test_a_front_window_without_a_title_hides_nothing(self):
        self.seed_hot_keys({"hidecurrent": vx.CTRL_ALT_KEYS["hidecurrent"]})   # Ctrl+Alt+H
        owner = self.owned_windows(["Loses its title", "Keeps its title"])
        app = self.launch_tracking(["Loses its title"])
        owner.command("retitle 1 ")
        app.wait_list(lambda items: "" in items and "Loses its title" not in items, what="the empty title listed")
        owner.command("open ")
        self.activate(owner, 3)
        self.desk.key("ctrl+alt+h")
        # (Wine's taskbar never takes the foreground: it is a no-activate window)
        harness.wait_until(lambda: all(w.visible for w in owner.status().windows), stable=20,
                           what="every window still shown")


class StackingOrder(EngineTestCase):
    """Hidden and shown again, the windows of two programs stand as they stood, among
    themselves and around a window that stayed shown; a hide made while the user worked
    elsewhere gives the front back to the window that had it."""

    def test_every_way_of_hiding_all_and_showing_all(self):
        self.seed_hot_keys()
        zeta = self.owned_windows(["Zeta1", "Zeta2", "Zeta3"])
        other = self.owned_windows(["Other"], name="other")
        app = self.launch_tracking(["Zeta1", "Zeta2", "Zeta3", "Other"])
        z1, z2, z3 = (self.desk.find_window(t, pid=zeta.proc.winpid) for t in ("Zeta1", "Zeta2", "Zeta3"))
        (o,) = [self.desk.find_window("Other", pid=other.proc.winpid)]
        main = self.desk.window_info(app.hwnd)
        ways = {  # how to hide, how to show, the main window's place (None: in the tray), who ends in front
            "hot keys": (lambda: self.desk.key("ctrl+alt+j"), lambda: self.desk.key("ctrl+alt+s"), 2, z2),
            "tray menu": (lambda: app.choose_from_tray("Hide all"), lambda: app.choose_from_tray("Show all"), None, z2),
            "buttons": (lambda: app.click_main(vx.HIDE_ALL), lambda: app.click_main(vx.SHOW_ALL), 0, main),
        }
        for way, (hide, show, main_at, front) in ways.items():
            with self.subTest(way):
                # Zeta2, Zeta1, Other, Zeta3 from the top, Zeta2 in front; the main window
                # where the way leaves it
                if main_at is None:
                    app.command(vx.IDOK)
                    app.wait_visible(False)
                elif not app.visible():
                    app.restore_from_tray()
                stacked = [z2, z1, o, z3]
                if main_at is not None:
                    stacked.insert(main_at, main)
                for w in reversed(stacked):   # each raised to the top, none activated
                    self.desk.set_window_pos(w.hwnd, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE)
                self.desk.set_foreground(stacked[0].hwnd)
                self.wait_stack(stacked, stacked[0])
                hide()
                for owner in (zeta, other):
                    owner.wait_status(lambda s: not any(w.visible for w in s.windows), what="all hidden")
                show()
                for owner in (zeta, other):
                    owner.wait_status(lambda s: all(w.visible for w in s.windows), what="all shown")
                self.wait_stack(stacked, front)
