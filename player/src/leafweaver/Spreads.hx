package leafweaver;

/**
	Page and spread arithmetic. Pages are 0-based. Spread 0 is the first page
	alone right of the spine; spread s > 0 holds pages 2s-1 (left) and 2s
	(right), as far as the book has them. In the single-page view every page
	stands alone. Either way the book lies open at a place, named by its
	first page.

	A right-to-left book is the same book seen in a mirror: spread 0 is the
	first page alone left of the spine, spread s holds page 2s-1 on the right
	and 2s on the left, and its leaves turn from left to right. The single
	view is the same both ways.
**/
class Spreads {
	/** No page: before the first, after the last, or nothing to show. */
	public static inline var NONE = -1;
	/** The blank back of a page turned in the single-page view. */
	public static inline var BLANK = -2;

	public var pageCount(default, null):Int;
	public var single(default, null):Bool;
	/** Whether the book reads from right to left (see above). */
	public var rtl(default, null):Bool;

	public function new(pageCount:Int, single:Bool, rtl:Bool = false) {
		this.pageCount = pageCount;
		this.single = single;
		this.rtl = rtl;
	}

	/** Whether the two-page view is mirrored. */
	var mirrored(get, never):Bool;

	inline function get_mirrored()
		return rtl && !single;

	public static inline function spreadOf(p:Int):Int
		return (p + 1) >> 1;

	public static inline function firstOfSpread(s:Int):Int
		return s <= 0 ? 0 : 2 * s - 1;

	public var lastSpread(get, never):Int;

	inline function get_lastSpread()
		return pageCount >> 1;

	/** The place that shows page p. */
	public function placeOf(p:Int):Int
		return single ? p : firstOfSpread(spreadOf(p));

	/** The place that shows the page numbered n (1-based), clamped to the book. */
	public function placeOfNumber(n:Int):Int
		return placeOf(Std.int(Math.max(0, Math.min(pageCount - 1, n - 1))));

	/**
		The place after (or before) `first`. It may lie outside the book:
		callers check the range, so that going past an end does nothing.
	**/
	public function nextPlace(first:Int):Int
		return single ? first + 1 : firstOfSpread(spreadOf(first) + 1);

	public function previousPlace(first:Int):Int
		return single ? first - 1 : firstOfSpread(spreadOf(first) - 1);

	public function lastPlace():Int
		return single ? pageCount - 1 : firstOfSpread(lastSpread);

	public function canGoBack(first:Int):Bool
		return single ? first > 0 : spreadOf(first) > 0;

	public function canGoForward(first:Int):Bool
		return single ? first < pageCount - 1 : spreadOf(first) < lastSpread;

	/** The page left of the spine at a place, or NONE (always NONE in the single view). */
	public function leftOf(first:Int):Int
		return mirrored ? outerOf(first) : innerOf(first);

	/** The page right of the spine (the single view's page), or NONE. */
	public function rightOf(first:Int):Int
		return mirrored ? innerOf(first) : outerOf(first);

	/** The page of a spread that comes first in reading order (left of the spine left to right), or NONE. */
	function innerOf(first:Int):Int {
		var s = spreadOf(first);
		return single || s == 0 ? NONE : 2 * s - 1;
	}

	/** The other page of a spread, or the single view's page, or NONE. */
	function outerOf(first:Int):Int {
		if (single)
			return first >= 0 && first < pageCount ? first : NONE;
		var s = spreadOf(first);
		return 2 * s < pageCount ? 2 * s : NONE;
	}

	/** The pages on view at a place, left to right. */
	public function visible(first:Int):Array<Int>
		return [for (p in [leftOf(first), rightOf(first)]) if (p != NONE) p];

	/** What the page number box shows: "7", or "2-3" for a spread (either way round). */
	public function label(first:Int):String {
		var v = [for (p in [innerOf(first), outerOf(first)]) if (p != NONE) p];
		return v.length == 0 ? "" : [for (p in v) Std.string(p + 1)].join("-");
	}

	/**
		The pages worth keeping at a place, most wanted first: those on view,
		then `extra` (the leaves of a running turn), then the pages of `keep`
		spreads on either side, nearest first, each once and all in the book.
	**/
	public function window(first:Int, keep:Int, extra:Array<Int>):Array<Int> {
		var order:Array<Int> = [];
		for (g in loadGroups(first, keep, extra))
			order = order.concat(g);
		return order;
	}

	/**
		The pages of `window` in the groups they load in, one group after the
		other: the pages on view with `extra`, then (single view) the other
		page of the open spread, then each neighbouring spread,
		the next one before the previous one, nearer ones first. Empty groups
		are left out.
	**/
	public function loadGroups(first:Int, keep:Int, extra:Array<Int>):Array<Array<Int>> {
		var seen:Array<Int> = [];
		var groups:Array<Array<Int>> = [];
		function group(pages:Array<Int>) {
			var g = [for (p in pages) if (p >= 0 && p < pageCount && seen.indexOf(p) < 0) p];
			var unique:Array<Int> = [];
			for (p in g)
				if (unique.indexOf(p) < 0)
					unique.push(p);
			seen = seen.concat(unique);
			if (unique.length > 0)
				groups.push(unique);
		}
		group(visible(first).concat(extra));
		var s = spreadOf(first);
		// In the single view the other page of the open spread is the nearest.
		group([2 * s - 1, 2 * s]);
		for (d in 1...keep + 1)
			for (t in [s + d, s - d])
				if (t >= 0 && t <= lastSpread)
					group([2 * t - 1, 2 * t]);
		return groups;
	}

	/**
		The leaves of a turn from the place `from` to the place `to`, or null
		when there is no page to lift.
	**/
	public function planTurn(from:Int, to:Int):Null<TurnPlan> {
		var plan = planReadingTurn(from, to);
		// Mirrored, the same leaves turn the other way.
		return plan == null || !mirrored ? plan : new TurnPlan(-plan.dir, plan.front, plan.back, plan.under, plan.target, plan.reverse,
			plan.single);
	}

	/** The turn as a left-to-right book makes it. */
	function planReadingTurn(from:Int, to:Int):Null<TurnPlan> {
		var forward = to > from;
		var plan:TurnPlan;
		if (single) {
			// The page turns over to the left either way; going back, it
			// starts turned and comes back over the page shown now.
			plan = new TurnPlan(1, page(forward ? from : to), BLANK, page(forward ? to : from), to, !forward, true);
		} else {
			var s = spreadOf(from), ts = spreadOf(to);
			plan = forward ? new TurnPlan(1, page(2 * s), page(2 * ts - 1), page(2 * ts), to, false, false) : new TurnPlan(-1,
				page(2 * s - 1), page(2 * ts), page(2 * ts - 1), to, false, false);
		}
		return plan.front == NONE ? null : plan;
	}

	/**
		What lies flat at a place while `turn` (if any) runs, and the extent of
		the book's shadow in page widths: the left page spans -1..0, the right
		one 0..1. There is no shadow unless shadowTo > shadowFrom.
	**/
	public function flat(first:Int, turn:Null<TurnPlan>):FlatLayout {
		if (!mirrored)
			return readingFlat(first, turn);
		// The left-to-right layout of the same leaves, seen in the mirror.
		var t = turn == null ? null : new TurnPlan(-turn.dir, turn.front, turn.back, turn.under, turn.target, turn.reverse, turn.single);
		var f = readingFlat(first, t);
		return new FlatLayout(f.right, f.left, f.shadowTo > f.shadowFrom ? 0 - f.shadowTo : f.shadowFrom,
			f.shadowTo > f.shadowFrom ? 0 - f.shadowFrom : f.shadowTo, f.spine);
	}

	/** `flat` for a left-to-right book. */
	function readingFlat(first:Int, turn:Null<TurnPlan>):FlatLayout {
		var left = innerOf(first), right = outerOf(first);
		var from = Math.POSITIVE_INFINITY, to = Math.NEGATIVE_INFINITY;
		if (turn != null) {
			// The lifted page and the one it uncovers are the turn's to draw.
			if (single) {
				if (turn.under != NONE)
					right = NONE;
			} else if (turn.dir > 0) {
				right = NONE;
			} else {
				left = NONE;
			}
		}
		if (left != NONE) {
			from = -1;
			to = 0;
		}
		if (right != NONE) {
			from = Math.min(from, 0);
			to = 1;
		}
		if (turn != null) {
			// The shadow covers the whole spread while a page is in the air.
			if (single) {
				from = 0;
				to = 1;
			} else {
				var s = spreadOf(first);
				if (s > 0 || (turn.dir < 0 && turn.under != NONE))
					from = Math.min(from, -1);
				if (2 * s < pageCount || turn.dir > 0)
					to = Math.max(to, 1);
			}
		}
		return new FlatLayout(left, right, from, to, !single && to > from);
	}

	inline function page(p:Int):Int
		return p >= 0 && p < pageCount ? p : NONE;
}

/** The leaves one turn moves, as pages (Spreads.NONE, Spreads.BLANK for none and blank paper). */
class TurnPlan {
	/** 1: a leaf right of the spine turns to the left; -1: a left leaf turns right. */
	public var dir(default, null):Int;
	/** The leaf lifted, the side of it that shows once lifted, and the page it uncovers. */
	public var front(default, null):Int;
	public var back(default, null):Int;
	public var under(default, null):Int;
	/** The place the book lies open at once the turn is complete. */
	public var target(default, null):Int;
	/** Completing the turn brings the corner back (single view, going back). */
	public var reverse(default, null):Bool;
	public var single(default, null):Bool;

	public function new(dir:Int, front:Int, back:Int, under:Int, target:Int, reverse:Bool, single:Bool) {
		this.dir = dir;
		this.front = front;
		this.back = back;
		this.under = under;
		this.target = target;
		this.reverse = reverse;
		this.single = single;
	}

	/** The pages among the leaves (not blank paper, not none). */
	public function pages():Array<Int>
		return [for (p in [front, back, under]) if (p >= 0) p];
}

/** The pages lying flat, and the book's shadow from shadowFrom to shadowTo page widths. */
class FlatLayout {
	public var left(default, null):Int;
	public var right(default, null):Int;
	public var shadowFrom(default, null):Float;
	public var shadowTo(default, null):Float;
	/** Whether the spine is shaded. */
	public var spine(default, null):Bool;

	public function new(left:Int, right:Int, shadowFrom:Float, shadowTo:Float, spine:Bool) {
		this.left = left;
		this.right = right;
		this.shadowFrom = shadowFrom;
		this.shadowTo = shadowTo;
		this.spine = spine;
	}
}
