package leafweaver;

import leafweaver.Spreads.TurnPlan;

private enum Motion {
	/** Set up, not yet moving. */
	Held;
	/** Following the reader's pointer, grabbed at (gx, gy) while the corner was at (cx, cy). */
	Dragging(gx:Float, gy:Float, cx:Float, cy:Float);
	/** On its way from `from` to `to`, started at t0 (seconds); `lift` raises the corner on the way. */
	Flying(from:Vec2, to:Vec2, t0:Float, seconds:Float, complete:Bool, lift:Bool);
}

/**
	One page turn: the leaves it moves, the fold, and the corner's motion.
	Coordinates are those of `Fold`; the caller mirrors them for a turn to
	the right (plan.dir < 0). Times are in seconds from any fixed origin.
**/
class Turn {
	/** The time a turn across the whole spread takes. */
	public static inline var SECONDS = 0.42;

	public var plan(default, null):TurnPlan;
	public var fold(default, null):Fold;
	public var dragging(get, never):Bool;
	public var flying(get, never):Bool;
	/** Whether the turn, settled now, ends on its target: only a flight towards it does. */
	public var completes(get, never):Bool;

	/** Where the corner rests when the turn is undone, and when it is done. */
	var rest:Vec2;
	var done:Vec2;
	var motion:Motion = Held;
	/** When the flight was last stepped (NaN before its first step). */
	var lastStep:Float = Math.NaN;

	public function new(plan:TurnPlan, w:Float, h:Float, cornerBottom:Bool) {
		this.plan = plan;
		fold = new Fold(w, h, cornerBottom);
		rest = fold.c.clone();
		done = new Vec2(-w, fold.c.y);
		if (plan.reverse)
			fold.moveTo(done.x, done.y);
	}

	function get_dragging()
		return motion.match(Dragging(_, _, _, _));

	function get_flying()
		return motion.match(Flying(_, _, _, _, _, _));

	function get_completes()
		return switch (motion) {
			case Flying(_, _, _, _, complete, _): complete;
			default: false;
		}

	/** The reader takes the corner at (x, y); later moves are relative to it. */
	public function grab(x:Float, y:Float)
		motion = Dragging(x, y, fold.p.x, fold.p.y);

	public function dragTo(x:Float, y:Float) {
		switch (motion) {
			case Dragging(gx, gy, cx, cy):
				// A single page is half as wide as a spread: the corner moves twice as far.
				var dx = (x - gx) * plan.dir * (plan.single ? 2 : 1);
				fold.moveTo(cx + dx, cy + y - gy);
			default:
		}
	}

	/**
		The reader lets go: the turn completes when the corner is past the
		middle of the page. A page laid back in the single view starts turned
		over, out of sight a page's width to the left: it completes once its
		corner has come half a page, as far as a forward turn's must go.
	**/
	public function letGo(now:Float) {
		var past = fold.p.x < (plan.reverse && plan.single ? -fold.w * 0.5 : fold.w * 0.5);
		fly(plan.reverse ? !past : past, false, now);
	}

	/** Sends the corner to complete the turn or to undo it. */
	public function fly(complete:Bool, lift:Bool, now:Float) {
		var from = fold.p.clone();
		var to = (complete != plan.reverse ? done : rest).clone();
		var dist = Math.abs(to.x - from.x) / (2 * fold.w);
		motion = Flying(from, to, now, Math.max(0.12, SECONDS * Math.sqrt(dist)), complete, lift);
		lastStep = Math.NaN;
	}

	/**
		Moves a flying corner to where it is at `now`; true once the flight is
		over. The flight ends on the frame nearest its end: when less than half
		a frame (as long as the last one) is left, this frame shows the end,
		so slow frames do not make a turn last up to a whole frame longer.
	**/
	public function step(now:Float):Bool {
		switch (motion) {
			case Flying(from, to, t0, seconds, _, lift):
				var k = (now - t0) / seconds;
				var frame = Math.isNaN(lastStep) ? 0.0 : Math.max(0.0, now - lastStep);
				lastStep = now;
				if (k >= 1 || t0 + seconds - now < frame / 2)
					return true;
				var e = 1 - (1 - k) * (1 - k);
				var x = from.x + (to.x - from.x) * e;
				var y = from.y + (to.y - from.y) * e;
				if (lift) {
					var up = Math.sin(Math.PI * k) * fold.h * 0.1;
					y += fold.c.y > 0 ? -up : up;
				}
				fold.moveTo(x, y);
				return false;
			default:
				return false;
		}
	}
}
