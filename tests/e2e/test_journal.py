"""No hidden window is stranded: a Velumix that is killed, crashes or ends with the
session leaves a journal of what it held hidden, and the next start gives it back."""

import os
import pathlib
import random
import shutil
import time

import harness as H
import session
import velumix_app as V
from session import VelumixTestCase

JOURNAL = V.journal_key()
FIXTURES = pathlib.Path(__file__).resolve().parents[1] / "fixtures"
WM_QUERYENDSESSION, WM_ENDSESSION = 0x0011, 0x0016


class JournalCase(VelumixTestCase):
    def journals(self, app_name="Velumix"):
        """{value name: decoded journal or None} of every running or dead instance."""
        return {name: V.decode_journal(data) if typ == "REG_BINARY" else None
                for name, (typ, data) in (self.desk.reg_query(V.journal_key(app_name)) or {}).items()}

    def hide(self, app, titles):
        """Hides windows one by one, as tray menu items do."""
        for title in titles:
            app.toggle(title)

    def locked_hiding(self, title):
        """A window of another process hidden by a Velumix then locked with password "pw"."""
        self.seed_settings(password="pw")
        ow, app = self.launch_with([title])
        self.hide(app, [title])
        self.lock_with_stored_password(app)
        return ow, app

    def kill(self, app):
        app.proc.kill()
        # the next copy could not open the log while this one's end is not through
        H.wait_until(lambda: not self.desk.is_window(app.hwnd), what="the killed copy gone")

    def relaunch(self, **kw):
        app = self.launch(**kw)
        app.wait_list(lambda items: len(items) > 0, what="the first fill")
        return app


class AfterAKill(JournalCase):
    def test_windows_come_back_exactly_and_only_the_right_ones(self):
        ow = self.owned_windows(["Plain", "Maximised", "Minimised", "Closed meanwhile", "Stays shown"])
        ow.command("maximize 2")
        ow.command("minimize 3")
        before = ow.status()
        app = self.launch_tracking(["Stays shown"])
        self.hide(app, ["Plain", "Maximised", "Minimised", "Closed meanwhile"])
        ow.wait_status(lambda s: [w.visible for w in s.windows] == [False] * 4 + [True], what="four hidden")
        # a window of another process that is hidden, under a handle the journal will claim
        other = self.owned_windows(["Another program's"], name="other")
        other.command("hide 1")
        H.wait_until(lambda: len(next(iter(self.journals().values()), (0, 0, 0, []))[3]) == 4,
                     what="the journal of the four")

        app.proc.kill()
        ow.command("close 4")
        # the journal also names a window whose handle now belongs to another process
        name, (owner, started, locked, entries) = next(iter(self.journals().items()))
        entries.append((other.hwnd(1), entries[0][1], "Another program's", entries[0][3]))
        self.desk.reg_add(JOURNAL, name, "REG_BINARY", V.encode_journal(owner, started, locked, entries))

        app = self.relaunch()
        states = app.menu_states()
        self.assertEqual({t: states.get(t) for t in ("Plain", "Maximised", "Minimised", "Stays shown")},
                         {"Plain": False, "Maximised": False, "Minimised": False, "Stays shown": True})
        self.assertNotIn("Closed meanwhile", states)
        self.assertNotIn("Another program's", states)
        self.assertFalse(other.window(1).visible)
        # the old journal is gone, and this run's names the three it took back
        H.wait_until(lambda: [len(j[3]) for j in self.journals().values()] == [3], what="one journal of three")

        # back by a row click, then by Show All, each as it was
        app.focus()
        self.desk.click(*app.row_center(app.list_items().index("Plain")))
        ow.wait_status(lambda s: s.window(1).visible, what="the row click showed it")
        app.click_control(V.SHOW_ALL)
        after = ow.wait_status(lambda s: all(w.visible for w in s.windows), what="all shown")
        for i in (1, 2, 3):
            b, a = before.window(i), after.window(i)
            self.assertEqual((a.rect, a.normal_rect, a.zoomed, a.iconic), (b.rect, b.normal_rect, b.zoomed, b.iconic),
                             f"window {i} came back changed")
        H.wait_until(lambda: self.journals() == {}, what="no journal once nothing is hidden")

    def test_windows_taken_back_stand_in_the_order_they_had_when_hidden(self):
        self.seed_hot_keys()
        zeta = self.owned_windows(["Zeta1", "Zeta2"])
        other = self.owned_windows(["Other"], name="other")
        app = self.launch_tracking(["Zeta1", "Zeta2", "Other"])
        stacked = [self.desk.find_window(t) for t in ("Zeta2", "Other", "Zeta1")]
        for w in reversed(stacked):
            self.desk.set_window_pos(w.hwnd, 0x13)  # SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE: to the top
        self.desk.set_foreground(stacked[0].hwnd)
        self.wait_stack(stacked, stacked[0])
        self.desk.key("ctrl+alt+j")
        H.wait_until(lambda: [len(j[3]) for j in self.journals().values()] == [3], what="the three journalled")
        for owner in (zeta, other):
            owner.wait_status(lambda s: not any(w.visible for w in s.windows), what="all hidden")
        self.kill(app)
        app = self.relaunch()
        app.click_main(V.SHOW_ALL)
        self.wait_stack([self.desk.window_info(app.hwnd)] + stacked, self.desk.window_info(app.hwnd))

    def test_a_hide_not_yet_done_at_the_kill_leaves_the_window_shown(self):
        ow = self.owned_windows(["Answers"])
        ow.command("openthread Slow to hide")
        app = self.launch_tracking(["Slow to hide"])
        ow.command("stall 2")
        self.hide(app, ["Slow to hide"])
        H.wait_until(lambda: [len(j[3]) for j in self.journals().values()] == [1], what="the hide journalled")
        self.kill(app)
        app = self.relaunch()
        self.assertTrue(ow.window(2).visible, "the stalled thread changed its window")
        ow.command("wake 2")
        # once the thread has taken this message, it has done every request queued before it
        self.desk.vx("send", hex(ow.hwnd(2)), 0, 0, 0, timeout=8)
        self.assertTrue(ow.window(2).visible, "the window hid after the start, named by no journal")
        self.assertTrue(app.menu_states().get("Slow to hide"))
        self.assertEqual(self.journals(), {})

    def test_kills_during_hide_all_over_a_hundred_windows_strand_none(self):
        ow = self.owned_windows(count=100, title_format="Crowd %d", timeout=60)
        rng = random.Random(1998)
        runs, checked = 6, 0
        for run in range(runs):
            app = self.launch()

            # every window is shown, or listed by this run (taken back as hidden), or, when this
            # run's table is full (its own main window may have taken a slot before a late
            # take-back), still named by a journal that a later start takes back
            def settled():
                items, st = app.list_items(), ow.status()
                unlisted = {w.title for w in st.windows if not w.visible} - set(items)
                if unlisted and len(items) >= 100:
                    unlisted -= {e[2] for j in self.journals().values() if j for e in j[3]}
                return None if unlisted else st
            st = H.wait_until(settled, timeout=30, what=f"run {run}: every window shown, listed or kept")
            checked += len(st.windows)
            app.command(V.MENU_HIDE_ALL)
            time.sleep(rng.uniform(0, 0.05))
            self.kill(app)
        app = self.launch()
        app.wait_list(lambda items: sum(t.startswith("Crowd ") for t in items) >= 99, timeout=30,
                      what="the crowd listed")
        app.click_control(V.SHOW_ALL)
        ow.wait_status(lambda s: all(w.visible for w in s.windows), timeout=30, what="all hundred shown")
        checked += 100
        print(f"\n    {runs} kills during Hide all, {checked} windows checked, none stranded", end=" ")

    def test_a_journal_that_cannot_be_written_or_read_back_stops_the_hide(self):
        for refuse in (self.refuse_writes, self.refuse_reads):
            with self.subTest(refuse.__name__):
                refuse(JOURNAL)
                ow, app = self.launch_with(["Unrecorded", "Hidden by the hot key"])
                self.hide(app, ["Unrecorded"])
                self.answer(app, V.OOPS, V.IDOK, text=V.HIDE_REFUSED)
                app.post_hot_key("hideall")
                self.answer(app, V.OOPS, V.IDOK, text=V.HIDE_REFUSED)
                self.assertTrue(all(w.visible for w in ow.status().windows))
                self.assertEqual(app.menu_states().get("Unrecorded"), True)
                self.assertEqual(self.log_text().count(V.HIDE_UNRECORDED_LOG), 2)
                self.kill(app)
                ow.stop()
                os.remove(os.path.join(self.workdir, "logfile.log"))

    def test_its_own_journal_deleted_from_outside_is_written_again(self):
        ow, app = self.launch_with(["Kept on record"])
        self.hide(app, ["Kept on record"])
        name = H.wait_until(lambda: next(iter(self.journals()), None), what="the journal")
        self.desk.reg_delete(JOURNAL, name)
        # the running copy looks every five seconds
        H.wait_until(lambda: name in self.journals(), timeout=20, what="the journal written again")
        self.kill(app)
        app = self.relaunch()
        app.wait_list(lambda items: "Kept on record" in items, what="taken back after the kill")
        app.click_control(V.SHOW_ALL)
        ow.wait_status(lambda s: s.window(1).visible, what="shown again")

    def test_bad_journals_are_ignored_removed_and_replaced(self):
        ow = self.owned_windows(["Named by bad journals"])
        ow.command("hide 1")
        good = V.encode_journal(77, 5, False, [(ow.hwnd(1), ow.status().pid, "Named by bad journals",
                                                "VxOwnerWindow")])
        self.desk.reg_add(JOURNAL, "77.5", "REG_BINARY", good[:-1] + bytes([good[-1] ^ 1]))   # corrupt
        self.desk.reg_add(JOURNAL, "78.5", "REG_BINARY", good[:20])                           # truncated
        self.desk.reg_add_bytes(JOURNAL, "79.5", "REG_BINARY", os.urandom(70000))             # oversized
        self.desk.reg_add(JOURNAL, "80.5", "REG_SZ", "not a journal")                        # foreign
        self.desk.reg_add(JOURNAL, "81.5", "REG_BINARY", good)                                # another's record
        app = self.launch()
        H.wait_until(lambda: self.journals() == {}, what="every bad journal removed")
        self.assertNotIn("Named by bad journals", app.list_items())
        self.assertFalse(ow.window(1).visible)
        # a fresh one describes this run
        second = self.owned_windows(["Hidden now"], name="second")
        app.wait_list(lambda items: "Hidden now" in items)
        self.hide(app, ["Hidden now"])
        journals = H.wait_until(lambda: self.journals() or None, what="a fresh journal")
        (name, (owner, _, locked, entries)), = journals.items()
        self.assertEqual((owner, locked, [e[2] for e in entries]), (app.proc.winpid, False, ["Hidden now"]))
        self.assertTrue(name.startswith(f"{app.proc.winpid}."))
        self.assertEqual(entries[0][:2], (second.hwnd(1), second.status().pid))

    def test_a_window_titled_in_chinese_is_taken_back_with_its_title(self):
        ow, app = self.launch_with(["中文标题"])
        self.hide(app, ["中文标题"])
        H.wait_until(lambda: [e[2] for j in self.journals().values() for e in j[3]] == ["中文标题"],
                     what="the title journalled as it is")
        self.kill(app)
        app = self.relaunch()
        self.assertIs(app.menu_states().get("中文标题"), False)
        self.assertFalse(ow.status().window(1).visible)

    def test_records_of_earlier_versions_are_still_taken_back(self):
        """The committed records of the two earlier versions, aimed at live windows."""
        titles = ["Left by the first version", "Left by the second"]
        ow = self.owned_windows(titles)
        for i, version in enumerate((1, 2), start=1):
            fixture = (FIXTURES / f"journal_v{version}.bin").read_bytes()
            owner, started, locked, entries = V.decode_journal(fixture)
            self.assertEqual(V.encode_journal(owner, started, locked, entries, version), fixture)
            ow.command(f"hide {i}")
            _, _, title, cls, _ = entries[1]
            record = V.encode_journal(owner + i, 5, False, [(ow.hwnd(i), ow.status().pid, title, cls)], version)
            self.desk.reg_add(JOURNAL, f"{owner + i}.5", "REG_BINARY", record)
        app = self.launch_tracking(titles)
        self.assertEqual({t: app.menu_states()[t] for t in titles}, dict.fromkeys(titles, False))
        H.wait_until(lambda: self.journals().keys().isdisjoint({"4243.5", "4244.5"}), what="the old records gone")

    def test_two_instances_in_different_folders_leave_each_other_alone_while_both_run(self):
        ow = self.owned_windows(["First's window", "Second's view"])
        first = self.launch_tracking(["First's window"])
        self.hide(first, ["First's window"])
        ow.wait_status(lambda s: not s.window(1).visible, what="hidden by the first")
        elsewhere = self.desk.mkdtemp("work-")
        second = self.launch_tracking(["Second's view"], cwd=elsewhere, name="second")
        H.wait_until(lambda: "First's window" not in second.list_items(), stable=10, what="not taken by the second")
        self.assertEqual(len(self.journals()), 1)
        # once the first is gone, the second takes its window back (it looks every 5 s)
        first.proc.kill()
        second.wait_list(lambda items: "First's window" in items, timeout=20, what="taken back by the second")
        (owner, _, _, entries), = self.journals().values()
        self.assertEqual((owner, [e[2] for e in entries]), (second.proc.winpid, ["First's window"]))


class OtherBitness(JournalCase):
    """The 32-bit and the 64-bit program installed side by side: one's journal and lock
    hold for the other (window handles and process ids are 32-bit-significant in both)."""

    def setUp(self):
        super().setUp()
        self.other = session.peer_velumix_exe()
        if not self.other:
            self.skipTest("no Velumix.exe of the other bitness (--peer)")
        if not H.runs_32bit():
            self.skipTest("this kernel runs no 32-bit code")

    def test_a_killed_copy_is_taken_back_by_a_copy_of_the_other_bitness(self):
        for first, second in ((self.other, None), (None, self.other)):
            with self.subTest(first=first or session.velumix_exe()):
                for folder in ("first", "second"):  # what a failed subtest left
                    shutil.rmtree(os.path.join(self.workdir, folder), ignore_errors=True)
                ow = self.owned_windows(["Across the widths"])
                app = self.launch_copy(["Across the widths"], name="first", exe=first)
                self.hide(app, ["Across the widths"])
                H.wait_until(lambda: self.journals() or None, what="the hide journalled")
                self.kill(app)
                app = self.launch_copy(name="second", exe=second)
                app.wait_list(lambda items: "Across the widths" in items, what="taken back")
                self.assertEqual(app.menu_states()["Across the widths"], False)
                app.click_control(V.SHOW_ALL)
                ow.wait_status(lambda s: s.window(1).visible, what="shown by the other bitness")
                self.kill(app)
                ow.stop()

    def test_a_copy_of_the_other_bitness_shows_nothing_a_locked_copy_holds(self):
        self.seed_settings(password="pw")
        ow = self.owned_windows(["Held by the lock"])
        first = self.launch_copy(["Held by the lock"], name="first", exe=self.other)
        self.hide(first, ["Held by the lock"])
        self.lock_with_stored_password(first)
        second = self.launch_copy(name="second")
        second.click_control(V.SHOW_ALL)
        H.holds_for(lambda: not ow.window(1).visible, 3, what="still hidden behind the other's lock")


class Locked(JournalCase):
    def test_a_locked_exit_comes_back_locked(self):
        self.seed_hot_keys()
        self.seed_settings(password="pw")
        ow, app = self.launch_with(["Locked away", "Also locked", "Left out"])
        self.hide(app, ["Locked away", "Also locked"])
        ow.wait_status(lambda s: [w.visible for w in s.windows] == [False, False, True], what="two hidden")
        self.lock_with_stored_password(app)
        self.desk.post(app.hwnd, H.WM_CLOSE)
        self.answer(app, V.EXIT_CAPTION, V.IDYES, click=False)
        app.wait_exit()

        app = self.launch()
        H.wait_until(lambda: self.desk.tray_visible(), what="the tray icon")
        self.holds_hidden(app, ow)
        self.desk.key_from_desktop("ctrl+alt+s")
        self.holds_hidden(app, ow)
        app.right_click_tray()
        app.enter_password(app.unlock_prompt(), "pw", click=False)
        _, items = app.tray_menu()
        states = V.window_states(items)
        self.assertEqual((states["Locked away"], states["Also locked"], states["Left out"]), (False, False, True))
        app.choose(items, "Show all")
        ow.wait_status(lambda s: all(w.visible for w in s.windows), what="all shown after the password")

    def holds_hidden(self, app, ow):
        H.wait_until(lambda: not app.visible() and not any(w.visible for w in ow.status().windows[:2]),
                     stable=15, what="the main window and the two windows still hidden")

    def test_a_window_named_by_a_locked_and_an_unlocked_journal_comes_back_locked(self):
        # Journals are taken in the order of their names: either one may come first.
        self.seed_settings(password="pw")
        for locked_name, unlocked_name in (("90.1", "91.1"), ("93.1", "92.1")):
            with self.subTest(locked_first=locked_name < unlocked_name):
                self.desk.reg_delete(V.journal_key())
                ow = self.owned_windows(["Named twice"])
                ow.command("hide 1")
                entry = [(ow.hwnd(1), ow.status().pid, "Named twice", "VxOwnerWindow")]
                for name, locked in ((locked_name, True), (unlocked_name, False)):
                    owner = int(name.split(".")[0])
                    self.desk.reg_add(JOURNAL, name, "REG_BINARY", V.encode_journal(owner, 1, locked, entry))
                app = self.launch()
                H.wait_until(lambda: self.desk.tray_visible(), what="the tray icon")
                H.wait_until(lambda: not app.visible(), stable=10, what="a locked start, in the tray")
                app.restore_with_password("pw")
                self.assertEqual(app.menu_states()["Named twice"], False)
                self.kill(app)
                ow.stop()

    def test_a_copy_started_before_the_first_password_takes_a_locked_copys_windows_back_locked(self):
        ow = self.owned_windows(["Secret", "Plain"])
        first = self.launch_copy(["Secret"], name="first")
        self.hide(first, ["Secret"])
        ow.wait_status(lambda s: not s.window(1).visible, what="Secret hidden by the first")
        # no password stored yet, and Secret is not listed: only a take-back brings it in
        second = self.launch_copy(["Plain"], name="second")
        first.command(V.MENU_LOCK)   # its main window lies under the second's
        first.enter_new_password("pw", "pw")
        first.wait_visible(False)
        left = H.wait_until(lambda: [n for n, j in self.journals().items() if j and j[2]], what="a locked journal")
        self.kill(first)
        # the second looks every five seconds; unlocked, it leaves the locked journal be
        H.holds_for(lambda: list(self.journals()) == left and not ow.window(1).visible, 12,
                    what="the locked journal left alone and Secret hidden")
        # locked with the password stored since, it takes Secret in; the password brings it back
        self.lock_with_stored_password(second)
        H.wait_until(lambda: [(j[0], j[2], [e[2] for e in j[3]]) for j in self.journals().values()]
                     == [(second.proc.winpid, True, ["Secret"])], timeout=15, what="taken in by the locked second")
        second.restore_with_password("pw")
        second.wait_list(lambda items: "Secret" in items)
        second.click_control(V.SHOW_ALL)
        ow.wait_status(lambda s: s.window(1).visible, what="Secret shown after the password")

    def test_a_lock_the_journal_cannot_record_is_not_engaged(self):
        self.seed_settings(password="pw")
        ow, app = self.launch_with(["Not behind a lock"])
        self.hide(app, ["Not behind a lock"])
        H.wait_until(lambda: self.journals() or None, what="the hide journalled")
        self.refuse_writes(JOURNAL)
        app.click_main(V.SET_PASSWORD)
        self.answer(app, V.OOPS, V.IDOK, text=V.CANNOT_LOCK_UNRECORDED)
        self.assertTrue(app.visible())
        (_, _, locked, _), = self.journals().values()
        self.assertFalse(locked)

    def test_without_a_stored_password_the_windows_come_back_unlocked(self):
        ow, app = self.locked_hiding("Nothing to protect")
        app.proc.kill()
        self.desk.reg_delete(V.settings_key(), "password")
        app = self.relaunch()
        app.wait_visible(True)
        self.assertEqual(app.menu_states()["Nothing to protect"], False)
        app.click_control(V.SHOW_ALL)
        ow.wait_status(lambda s: s.window(1).visible, what="shown without a password")


class Faults(JournalCase):
    def faulty(self):
        return self.launch(exe=os.path.join(session.build_dir(), "VelumixFaulty.exe"))

    def inject(self, app, kind, sent=False):
        """A handler fails: of a posted message, or of one sent from another process (whose
        send may end with the process)."""
        message = self.desk.register_message("VelumixInjectFault")
        self.desk.vx("send" if sent else "post", hex(app.hwnd), message, kind, 0, check=not sent)
        app.wait_exit()

    def test_a_fault_inside_a_handler_shows_the_hidden_windows_first(self):
        # a C++ exception, an access violation; in the handler of a posted or a sent message
        for kind, sent in ((1, False), (2, False), (1, True), (2, True)):
            ow = self.owned_windows([f"Fault {kind} A", f"Fault {kind} B"], name=f"owner{kind}{sent}")
            app = self.faulty()
            app.wait_list(lambda items: f"Fault {kind} B" in items)
            self.hide(app, [f"Fault {kind} A", f"Fault {kind} B"])
            ow.wait_status(lambda s: not any(w.visible for w in s.windows), what="both hidden")
            self.inject(app, kind, sent)
            ow.wait_status(lambda s: all(w.visible for w in s.windows), what=f"shown before fault {kind} ended it")
            # the journal stays for the next start, which finds nothing left to take back
            self.assertEqual(len(self.journals("VelumixFaulty")), 1)
            app = self.faulty()
            H.wait_until(lambda: self.journals("VelumixFaulty") == {}, what="the journal gone")
            app.proc.kill()

    def test_a_fault_while_locked_leaves_them_hidden_and_the_next_start_locked(self):
        self.seed_settings("VelumixFaulty", password="pw")
        ow = self.owned_windows(["Locked fault"])
        app = self.faulty()
        app.wait_list(lambda items: "Locked fault" in items)
        self.hide(app, ["Locked fault"])
        self.lock_with_stored_password(app)
        self.inject(app, 2)
        H.wait_until(lambda: not ow.window(1).visible, stable=10, what="still hidden")
        app = self.faulty()
        app.right_click_tray()
        app.unlock_prompt()
        self.assertFalse(app.visible())


class SessionEnd(JournalCase):
    def end_session(self, app):
        self.assertEqual(self.desk.send(app.hwnd, WM_QUERYENDSESSION), 1)
        self.desk.send(app.hwnd, WM_ENDSESSION, 1, 0)

    def test_unlocked_shows_what_is_hidden(self):
        ow, app = self.launch_with(["Session A", "Session B"])
        self.hide(app, ["Session A", "Session B"])
        ow.wait_status(lambda s: not any(w.visible for w in s.windows), what="both hidden")
        self.end_session(app)
        ow.wait_status(lambda s: all(w.visible for w in s.windows), what="both shown at the end of the session")
        H.wait_until(lambda: self.journals() == {}, what="nothing left to give back")

    def test_locked_leaves_them_hidden_with_the_journal(self):
        ow, app = self.locked_hiding("Session locked")
        self.end_session(app)
        H.wait_until(lambda: not ow.window(1).visible, stable=10, what="still hidden")
        (_, (_, _, locked, entries)), = self.journals().items()
        self.assertEqual((locked, [e[2] for e in entries]), (True, ["Session locked"]))
