package com.morvane;

import java.awt.Component;
import java.awt.Container;
import java.awt.Rectangle;
import java.awt.Window;

/**
 * A component tree as one JSON text, the same text a client builds by walking the component
 * objects one call at a time. Each node, keys in this order:
 * {@code {"path","class","name","title","x","y","width","height","visible","locator","children"}}
 * ("locator" as {@link Locator} gives it, null for a component outside a window; last but the
 * children, so that clients that match the keys before it in order still do);
 * "children" only for containers: their nodes in Java order, or null at the depth limit.
 * Depth 0 is the root; -1 means no limit.
 */
final class ComponentSnapshot {
    static final int UNLIMITED = -1;

    private final StringBuilder json = new StringBuilder();
    private final int depth;
    private Locator.WindowIndex locators;  // of the window being written

    private ComponentSnapshot(int depth) {
        this.depth = depth;
    }

    /** The top-level windows in the module's order, paths "/0", "/1"...; null for a bad depth. */
    static String windows(int depth) {
        if (depth < UNLIMITED) {
            return null;
        }
        return EventThreadRead.read(() -> new ComponentSnapshot(depth).windowList());
    }

    /** The node of {@code root} at {@code path}; null when it is no component or an argument is bad. */
    static String component(Object root, String path, int depth) {
        if (!(root instanceof Component) || path == null || depth < UNLIMITED) {
            return null;
        }
        return EventThreadRead.read(() -> new ComponentSnapshot(depth).tree((Component) root, path));
    }

    private String windowList() {
        Window[] windows = AccessibilityMonitor.topLevelWindows();
        json.append('[');
        for (int i = 0; i < windows.length; ++i) {
            if (i > 0) {
                json.append(',');
            }
            locators = windows[i] == null ? null : new Locator.WindowIndex(windows[i]);
            node(windows[i], "/" + i, 0);
        }
        return json.append(']').toString();
    }

    private String tree(Component root, String path) {
        Window window = root instanceof Window ? (Window) root : Locator.windowOf(root);
        locators = window == null ? null : new Locator.WindowIndex(window);
        node(root, path, 0);
        return json.toString();
    }

    private void node(Component component, String path, int level) {
        if (component == null) {
            json.append("null");  // keeps the positions of the others
            return;
        }
        Rectangle bounds = component.getBounds();
        json.append("{\"path\":");
        JsonText.appendString(json, path);
        json.append(",\"class\":");
        JsonText.appendString(json, component.getClass().getName());
        json.append(",\"name\":");
        JsonText.appendString(json, component.getName());
        json.append(",\"title\":");
        JsonText.appendString(json, ComponentTitle.of(component));
        json.append(",\"x\":").append(bounds.x)
            .append(",\"y\":").append(bounds.y)
            .append(",\"width\":").append(bounds.width)
            .append(",\"height\":").append(bounds.height)
            .append(",\"visible\":").append(component.isShowing());
        json.append(",\"locator\":");
        JsonText.appendString(json, locators == null ? null : locators.of(component));
        if (component instanceof Container) {
            json.append(",\"children\":");
            if (depth != UNLIMITED && level >= depth) {
                json.append("null");
            } else {
                children((Container) component, path, level + 1);
            }
        }
        json.append('}');
    }

    private void children(Container container, String path, int level) {
        Component[] children = container.getComponents();  // a copy made under the tree lock
        json.append('[');
        for (int i = 0; i < children.length; ++i) {
            if (i > 0) {
                json.append(',');
            }
            node(children[i], path + "/" + i, level);
        }
        json.append(']');
    }
}
