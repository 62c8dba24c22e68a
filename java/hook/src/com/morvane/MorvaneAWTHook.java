package com.morvane;

import java.awt.Component;
import java.awt.Container;
import java.awt.Toolkit;
import java.awt.Window;
import java.awt.event.AWTEventListener;
import java.lang.reflect.Array;
import java.util.HashMap;
import java.util.Map;
import javax.swing.SwingUtilities;

/**
 * The hook object that the native side finds in {@link MorvaneAWTEventListener#app}: it listens
 * for AWT events on request and offers the click, hit-test, snapshot and array helpers that clients
 * call as static methods of this object's class.
 */
public class MorvaneAWTHook {
    private static final int NO_COMPONENT = -2;

    private static volatile boolean journalOn = true;

    private final AWTEventListener counter = event -> {
        countEvent();
        if (journalOn) {
            Journal.get().record(event);
        }
    };
    private long listenedMask;
    private int eventCount;

    /**
     * Starts listening for the given bits of an AWT event mask ({@code AWTEvent.*_EVENT_MASK}), on
     * top of those already listened for. The int is read as 32 unsigned bits.
     */
    public synchronized void addEventListener(int eventMask) {
        listenFor(listenedMask | Integer.toUnsignedLong(eventMask));
    }

    /** Stops listening for the AWT event mask bits given; the other bits stay. */
    public synchronized void removeEventListener(int eventMask) {
        listenFor(listenedMask & ~Integer.toUnsignedLong(eventMask));
    }

    /** The AWT event mask bits listened for now. */
    public synchronized long getListenedMask() {
        return listenedMask;
    }

    /** AWT events received since the last reset. */
    public synchronized int getEventCount() {
        return eventCount;
    }

    public synchronized void resetEventCount() {
        eventCount = 0;
    }

    /**
     * Clicks a button on the event dispatch thread: 1 clicked, 0 not clickable (not a button,
     * not showing, disabled, not a component), -1 failure (null, exception, timed out).
     */
    public static int clickComponent(Object component) {
        return ComponentClick.click(component);
    }

    /**
     * The deepest visible component of {@code c} at (x, y) in {@code c}'s coordinates: {@code c}
     * itself when no visible child is there, null outside {@code c}. Runs on the calling thread:
     * each container's child list is copied under the AWT tree lock, and waiting for the event
     * thread instead could hang behind a modal dialog.
     */
    public static Component GenFindComponentAt(Container c, int x, int y) {
        return c == null ? null : SwingUtilities.getDeepestComponentAt(c, x, y);
    }

    /**
     * The top-level windows and their components, down to {@code depth} (-1: all), as one JSON
     * array: one call instead of a walk of component objects. Null for a depth below -1 (the
     * bridge's call then fails).
     */
    public static String snapshotWindows(int depth) {
        return ComponentSnapshot.windows(depth);
    }

    /**
     * The JSON node of {@code root} (a component) and its descendants down to {@code depth} levels
     * below it (-1: all), {@code path} being the root's own path. Null for a root that is no
     * component, a null path or a depth below -1 (the bridge's call then fails).
     */
    public static String snapshotComponent(Object root, String path, int depth) {
        return ComponentSnapshot.component(root, path, depth);
    }

    /**
     * The component at a snapshot path ("/0/0/1") or a locator ({@code window name="loginFrame" >>
     * name="user"}), or null (the bridge's call then fails). For clients that find components in
     * the snapshot or the journal, such as scripts.
     */
    public static Component componentAt(String pathOrLocator) {
        return Locator.find(pathOrLocator);
    }

    /**
     * Clicks the component at a snapshot path or a locator: the answers of {@link #clickComponent},
     * and -2 when it is malformed or names no component.
     */
    public static int clickComponentAt(String pathOrLocator) {
        Component component = Locator.find(pathOrLocator);
        return component == null ? NO_COMPONENT : ComponentClick.click(component);
    }

    /**
     * The locators of the components at the given paths (one per line), one per line in the same
     * order, an empty line where a path names nothing: for clients that walked the tree.
     */
    public static String locatorsAt(String paths) {
        if (paths == null) {
            return null;
        }
        return EventThreadRead.read(() -> {
            StringBuilder out = new StringBuilder();
            Map<Window, Locator.WindowIndex> indexes = new HashMap<>();
            for (String path : paths.split("\n", -1)) {
                Component c = ComponentPath.find(path);
                Window window = c instanceof Window ? (Window) c : c == null ? null : Locator.windowOf(c);
                String locator = window == null ? null
                        : indexes.computeIfAbsent(window, Locator.WindowIndex::new).of(c);
                out.append(locator == null ? "" : locator).append('\n');
            }
            return out.toString();
        });
    }

    /** The locator of a component (see {@link #componentAt}); null for no component. */
    public static String locatorOf(Object component) {
        return component instanceof Component ? EventThreadRead.read(() -> Locator.of((Component) component)) : null;
    }

    /**
     * The journal's events after {@code sequence} as JSON, waiting up to {@code timeoutMillis} for
     * the next one when there is none: {@code {"next":N,"dropped":D,"events":[...]}}. Events are kept
     * while the hook listens (addEventListener) with window, focus, mouse or key bits; "next" is the
     * sequence to ask after next, "dropped" how many asked for were gone (the journal keeps the
     * newest 4,096).
     */
    public static String journalAfter(long sequence, int timeoutMillis) {
        return Journal.get().after(sequence, timeoutMillis);
    }

    /** Whether the hook's listener keeps the journal (on unless switched off, to measure its cost). */
    public static void setJournal(boolean on) {
        journalOn = on;
    }

    /** The length of an array of any element type; -1 for null or an object that is no array. */
    public static int arrayLength(Object array) {
        return array != null && array.getClass().isArray() ? Array.getLength(array) : -1;
    }

    /**
     * The element at {@code index} of an array of objects ({@code Object[]}, {@code String[]}...),
     * or null (the bridge's call then fails) for a null element, an index out of range, an array
     * of primitives or no array. The client deletes the handle it gets.
     */
    public static Object elementAt(Object array, int index) {
        return array instanceof Object[] && inRange(array, index) ? ((Object[]) array)[index] : null;
    }

    /**
     * The element at {@code index} of an array of any element type as text ({@code
     * String.valueOf}: "null" for a null element), or null (the bridge's call then fails) for an
     * index out of range or no array. For clients that cannot read the bridge's typed arrays.
     */
    public static String elementText(Object array, int index) {
        return inRange(array, index) ? String.valueOf(Array.get(array, index)) : null;
    }

    private static boolean inRange(Object array, int index) {
        return index >= 0 && index < arrayLength(array);
    }

    private void listenFor(long mask) {
        // The toolkit ORs masks for a listener added twice and removes a listener whole, so
        // changing the bits means taking it out and putting it back with the new mask.
        Toolkit toolkit = Toolkit.getDefaultToolkit();
        toolkit.removeAWTEventListener(counter);
        if (mask != 0) {
            toolkit.addAWTEventListener(counter, mask);
        }
        listenedMask = mask;
    }

    private synchronized void countEvent() {
        ++eventCount;
    }
}
