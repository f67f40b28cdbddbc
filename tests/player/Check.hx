import haxe.PosInfos;

/**
	A small assertion helper: cases run in named groups, a case fails when
	any of its checks fails or it throws, and the count is kept for the
	closing line.
**/
class Check {
	public var passed(default, null):Int = 0;
	public var failed(default, null):Int = 0;

	var problems:Array<String> = [];

	public function new() {}

	public function group(name:String)
		Sys.println(name);

	public function test(name:String, body:Void->Void) {
		problems = [];
		try {
			body();
		} catch (e:Dynamic) {
			problems.push("threw " + Std.string(e));
		}
		if (problems.length == 0) {
			passed++;
			Sys.println("  ok    " + name);
		} else {
			failed++;
			Sys.println("  FAIL  " + name);
			for (p in problems)
				Sys.println("        " + p);
		}
	}

	public function that(condition:Bool, what:String, ?pos:PosInfos) {
		if (!condition)
			note(what, pos);
	}

	/** Compares the printed forms, which suits numbers, strings and arrays of them. */
	public function equal(expected:Dynamic, actual:Dynamic, what:String, ?pos:PosInfos) {
		if (Std.string(expected) != Std.string(actual))
			note('$what: expected $expected, got $actual', pos);
	}

	public function near(expected:Float, actual:Float, what:String, tolerance:Float = 1e-6, ?pos:PosInfos) {
		if (!(Math.abs(expected - actual) <= tolerance))
			note('$what: expected $expected, got $actual', pos);
	}

	function note(what:String, pos:PosInfos)
		problems.push('$what (${pos.fileName}:${pos.lineNumber})');
}
