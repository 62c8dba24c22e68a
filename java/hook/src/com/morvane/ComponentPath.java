package com.morvane;

import java.awt.Component;
import java.awt.Container;
import java.awt.Window;

/**
 * Finds a component by its snapshot path: "/" + the index of its top-level window in
 * EventQueueMonitor order, then "/" + a child index (getComponent order) for each level below.
 */
final class ComponentPath {
    private ComponentPath() {
    }

    /** The component at {@code path}; null for a malformed path or one that leads nowhere. */
    static Component find(String path) {
        int[] indexes = parse(path);
        if (indexes == null) {
            return null;
        }
        return EventThreadRead.read(() -> follow(indexes));
    }

    /** The indexes of "/i/j/k", or null unless it is "/" then decimal indexes separated by "/". */
    static int[] parse(String path) {
        if (path == null || path.length() < 2 || path.charAt(0) != '/') {
            return null;
        }
        String[] parts = path.substring(1).split("/", -1);
        int[] indexes = new int[parts.length];
        for (int i = 0; i < parts.length; ++i) {
            String part = parts[i];
            if (part.isEmpty() || part.length() > 9 || !part.chars().allMatch(c -> c >= '0' && c <= '9')) {
                return null;
            }
            indexes[i] = Integer.parseInt(part);
        }
        return indexes;
    }

    private static Component follow(int[] indexes) {
        Window[] windows = AccessibilityMonitor.topLevelWindows();
        return indexes[0] < windows.length ? follow(windows[indexes[0]], indexes, 1) : null;
    }

    /** The component that {@code indexes[from..]} lead to from {@code start}; null when none. */
    static Component follow(Component start, int[] indexes, int from) {
        Component current = start;
        for (int level = from; level < indexes.length; ++level) {
            if (!(current instanceof Container)) {
                return null;
            }
            Component[] children = ((Container) current).getComponents();
            if (indexes[level] >= children.length) {
                return null;
            }
            current = children[indexes[level]];
        }
        return current;
    }

    /** The path of {@code component}; null when its window is not listed. Call on the event thread. */
    static String of(Component component) {
        StringBuilder path = new StringBuilder();
        Component c = component;
        while (c != null && !(c instanceof Window)) {
            Container parent = c.getParent();
            if (parent == null) {
                return null;
            }
            path.insert(0, "/" + java.util.Arrays.asList(parent.getComponents()).indexOf(c));
            c = parent;
        }
        Window[] windows = AccessibilityMonitor.topLevelWindows();
        for (int i = 0; c != null && i < windows.length; ++i) {
            if (windows[i] == c) {
                return path.insert(0, "/" + i).toString();
            }
        }
        return null;
    }
}
