package leafweaver;

import flash.external.ExternalInterface;

/**
	What the page tells the player about touch screens, where the runtime
	passes only one finger on, as the mouse: `leafweaver.pointerType()` on
	the page names the kind of the last press ("touch", "pen", "mouse"), and
	the page's pinch calls `player.leafweaverZoomAt(level, x, y)` (a zoom
	level about the stage point x, y; "in" and "out" for one level either
	way) and `player.leafweaverCancelPress()` when a second finger comes down
	during a press. Without a page to talk to they are silent.
**/
class TouchHooks {
	/** The kind of the last press as the page saw it; "mouse" when the page does not say. */
	public static function pointerType():String {
		if (!ExternalInterface.available)
			return "mouse";
		try {
			var kind = ExternalInterface.call("leafweaver.pointerType");
			return kind == null ? "mouse" : Std.string(kind);
		} catch (e:Dynamic) {
			return "mouse";
		}
	}

	/**
		Answers `leafweaverZoomAt(level, x, y)` with `zoom(level, x, y)`, the
		level a number or "in" / "out" taken from `current()`; returns the
		level reached.
	**/
	public static function offerZoom(current:Void->Int, zoom:Int->Float->Float->Void) {
		if (!ExternalInterface.available)
			return;
		try {
			ExternalInterface.addCallback("leafweaverZoomAt", function(level:Dynamic, x:Dynamic, y:Dynamic) {
				var sx = Std.parseFloat(Std.string(x)), sy = Std.parseFloat(Std.string(y));
				if (Math.isNaN(sx) || Math.isNaN(sy))
					return current();
				var l = Std.string(level) == "in" ? current() + 1 : Std.string(level) == "out" ? current() - 1 : Std.parseInt(Std.string(level));
				if (l != null)
					zoom(l, sx, sy);
				return current();
			});
		} catch (e:Dynamic) {}
	}

	/** Answers `leafweaverCancelPress()` with `cancel()`. */
	public static function offerCancelPress(cancel:Void->Void) {
		if (!ExternalInterface.available)
			return;
		try {
			ExternalInterface.addCallback("leafweaverCancelPress", function() {
				cancel();
				return true;
			});
		} catch (e:Dynamic) {}
	}
}
